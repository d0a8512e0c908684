#pragma once

#include <cstdint>
#include <vector>

// A small generator whose numbers are the same on every machine and
// compiler (splitmix64), unlike the standard library's distributions, so
// that the demo database is the same wherever it is made.
class DemoRandom {
public:
    explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // A whole number from 0 to bound - 1.
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    // A whole number from low to high, both included.
    int between(int low, int high) { return low + below(high - low + 1); }
    // True in `percent` cases out of a hundred.
    bool chance(int percent) { return below(100) < percent; }
    // A number from 0 up to but not including 1.
    double fraction() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

    template <typename T>
    const T& pick(const std::vector<T>& items)
    {
        return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
    }

private:
    std::uint64_t state_;
};
