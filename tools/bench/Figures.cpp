#include "Figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(samples.size()));
    const size_t index = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return samples[std::min(index, samples.size() - 1)];
}

std::string RatioVerdict(double value, double floor, double target) {
    if (floor <= 0)
        return "n/a";
    char text[80];
    const double ratio = value / floor;
    std::snprintf(text, sizeof text, "%.2fx (target %.1fx: %s)", ratio, target, ratio <= target ? "met" : "NOT met");
    return text;
}

long StatusField(const std::string& status, const std::string& key) {
    const std::string label = key + ":";
    for (size_t at = status.find(label); at != std::string::npos; at = status.find(label, at + 1))
        if (at == 0 || status[at - 1] == '\n')
            return std::strtol(status.c_str() + at + label.size(), nullptr, 10);
    return -1;
}

long long StatCpuTicks(const std::string& stat) {
    // The command name in parentheses may hold spaces: count fields from the last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    long long utime = -1;
    long long stime = -1;
    // After ')' come state (field 3) ... utime (14) and stime (15).
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            utime = std::strtoll(field.c_str(), nullptr, 10);
        if (number == 15)
            stime = std::strtoll(field.c_str(), nullptr, 10);
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}
