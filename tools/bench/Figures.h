// Plain arithmetic of the benchmark report: order statistics, ratios against a floor, and the
// fields of Linux /proc text. No Windows headers, so it is easy to check on its own.
#pragma once

#include <string>
#include <vector>

// Nearest-rank percentile (0 < p <= 100) of the samples; 0 for none.
double Percentile(std::vector<double> samples, double p);
inline double Median(const std::vector<double>& samples) { return Percentile(samples, 50); }

// "1.23x (target 1.5x: met)", or "n/a" when the floor is not positive.
std::string RatioVerdict(double value, double floor, double target);

// The number after "Key:" in /proc/<pid>/status text (kB for the Vm and Rss lines); -1 if absent.
long StatusField(const std::string& status, const std::string& key);
// utime + stime, in clock ticks, from /proc/<pid>/stat text; -1 if it cannot be read.
long long StatCpuTicks(const std::string& stat);
