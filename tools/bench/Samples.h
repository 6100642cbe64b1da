// One program's timed runs for one figure, and what went wrong on the way.
#pragma once

#include <string>
#include <vector>

struct Samples {
    std::vector<double> ms;  // one per run that did what it should
    int failures = 0;        // runs that did not (each figure says what counts)
    std::wstring problem;    // why the program could not be measured at all, or what went wrong first
};

// One run: its time, or why it failed.
struct TimedRun {
    double ms = 0;
    std::wstring failure;  // empty if it did what it should
};

inline void Add(Samples& samples, const TimedRun& run) {
    if (run.failure.empty()) {
        samples.ms.push_back(run.ms);
        return;
    }
    ++samples.failures;
    if (samples.problem.empty())
        samples.problem = run.failure;
}
