#pragma once
// The one table of figures and ratios that the benchmark programs print and scripts/bench
// joins: fixed-width rows on stdout, then notes (lines starting with "* ").

#include <cstdio>
#include <string>

namespace bench_table {

inline void header() {
    std::printf("%-56s %-24s %-12s %-10s %s\n", "Measure", "Figure", "Ratio", "Target", "Met");
    std::printf("%s\n", std::string(112, '-').c_str());
}

inline void row(const std::string& measure, const std::string& figure, const std::string& ratio = {},
                const std::string& target = {}, const std::string& met = {}) {
    std::printf("%-56s %-24s %-12s %-10s %s\n", measure.c_str(), figure.c_str(), ratio.c_str(),
                target.c_str(), met.c_str());
}

inline void note(const std::string& text) {
    std::printf("* %s\n", text.c_str());
}

inline std::string format(const char* pattern, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

// "yes" or "NO" for a ratio against a bound.
inline std::string atMost(double ratio, double bound) {
    return ratio <= bound ? "yes" : "NO";
}
inline std::string atLeast(double ratio, double bound) {
    return ratio >= bound ? "yes" : "NO";
}

} // namespace bench_table
