// One program's timed runs for one figure, and what went wrong on the way.
#pragma once

#include <string>
#include <vector>

struct Samples {
    std::vector<double> ms;  // one per run that did what it should
    int failures = 0;        // runs that did not (each figure says what counts)
    std::wstring problem;    // why the program could not be measured at all, or what went wrong first
};

// Counts a failed run; the first one's reason is kept.
inline void CountFailure(Samples& samples, const std::wstring& why) {
    ++samples.failures;
    if (samples.problem.empty())
        samples.problem = why;
}
