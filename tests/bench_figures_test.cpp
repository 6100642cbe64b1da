// The arithmetic of `make bench`'s report: percentiles, verdicts and the Linux /proc fields it
// falls back on under Wine.
#include "doctest.h"
#include "tools/bench/Figures.h"

TEST_CASE("percentiles are nearest-rank, whatever the order of the samples") {
    std::vector<double> samples;
    for (int i = 200; i >= 1; --i)
        samples.push_back(i);
    CHECK(Median(samples) == 100);
    CHECK(Percentile(samples, 99) == 198);
    CHECK(Percentile(samples, 100) == 200);
    CHECK(Percentile({7}, 99) == 7);
    CHECK(Median({3, 1, 2}) == 2);
    CHECK(Percentile({}, 50) == 0);
}

TEST_CASE("a ratio is judged against its target, and a missing floor gives no verdict") {
    CHECK(RatioVerdict(3, 2, 1.5) == "1.50x (target 1.5x: met)");
    CHECK(RatioVerdict(3.1, 2, 1.5) == "1.55x (target 1.5x: NOT met)");
    CHECK(RatioVerdict(3, 0, 1.5) == "n/a");
}

TEST_CASE("the /proc fields are read from real-looking text") {
    const std::string status = "Name:\tQuorvex.exe\nVmHWM:\t  30000 kB\nVmRSS:\t   29636 kB\nRssAnon:\t   11492 kB\n";
    CHECK(StatusField(status, "VmRSS") == 29636);
    CHECK(StatusField(status, "RssAnon") == 11492);
    CHECK(StatusField(status, "Rss") == -1);  // a prefix of another key is not that key
    CHECK(StatusField(status, "VmSwap") == -1);

    // A command name with spaces and parentheses must not shift the fields.
    CHECK(StatCpuTicks("4242 (a (b) c) S 1 4242 4242 0 -1 4194560 500 0 0 0 335 17 0 0 20 0 3") == 352);
    CHECK(StatCpuTicks("4242 (x) S 1 2") == -1);
    CHECK(StatCpuTicks("") == -1);
}
