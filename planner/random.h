#pragma once

#include <cmath>
#include <cstdint>

namespace planner {

// The planner's own random streams. Each sampled execution takes its stream
// from (decision seed, sample index) alone, so a sample is the same whichever
// thread draws it and every candidate meets the same noise (common random
// numbers).
class SampleRandom {
public:
    explicit SampleRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Standard normal, by Box-Muller; the second value of each pair is kept.
    double gaussian() {
        if (has_spare_) {
            has_spare_ = false;
            return spare_;
        }
        double u = uniform();
        while (u <= 0.0) {
            u = uniform();
        }
        const double v = uniform();
        const double radius = std::sqrt(-2.0 * std::log(u));
        const double angle = 6.283185307179586 * v;
        spare_ = radius * std::sin(angle);
        has_spare_ = true;
        return radius * std::cos(angle);
    }

private:
    std::uint64_t state_;
    double spare_ = 0.0;
    bool has_spare_ = false;
};

inline std::uint64_t mix_seed(std::uint64_t a, std::uint64_t b) {
    SampleRandom random(a ^ (b * 0xd6e8feb86659fd93ULL + 0x632be59bd9b4e019ULL));
    random.next();
    return random.next();
}

}  // namespace planner
