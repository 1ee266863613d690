#pragma once
// Sizes and timing for the robustness tests: times are printed, never asserted.

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace robust {

// Sanitizer builds (about ten times slower) run the same cases on a fifth of the data.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kShrink = 5;
#else
constexpr int kShrink = 1;
#endif

template <typename T> std::vector<T> sizes(std::initializer_list<T> full) {
    std::vector<T> result;
    for (const T size : full)
        result.push_back(size / kShrink);
    return result;
}

template <typename F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void report(const char* what, double amount, const char* unit, double seconds) {
    std::printf("[hostile] %-42s %8.1f %-8s %8.3f s  %9.3f ms per %s\n", what, amount, unit, seconds,
                amount > 0 ? seconds * 1000 / amount : 0.0, unit);
    std::fflush(stdout);
}

} // namespace robust
