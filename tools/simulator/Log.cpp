#include "Log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

Log::Log(std::ostream& screen, const std::string& filePath) : screen_(screen), filePath_(filePath) {
    if (!filePath_.empty())
        file_.open(filePath_, std::ios::out | std::ios::trunc);
}

void Log::Line(const std::string& text) { Write(TimeOfDay() + "  " + text + "\n"); }

void Log::Block(const std::string& text) { Write(text); }

void Log::Write(const std::string& text) {
    screen_ << text << std::flush;
    if (file_)
        file_ << text << std::flush;
}

std::string TimeOfDay() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}
