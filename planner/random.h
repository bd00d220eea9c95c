#pragma once

#include <cmath>
#include <cstdint>

namespace planner {

// Two uniforms that make two standard normals by Box-Muller.
struct UniformPair {
    double u;  // in (0, 1]
    double v;  // in [0, 1)
};

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

    // The next two standard normals come from the uniform pair (u in
    // (0, 1], v) instead of the stream: a sample's execution noise can then
    // be placed by a low-discrepancy sequence over the samples of a decision.
    void set_next_pair(UniformPair pair) {
        const double radius = std::sqrt(-2.0 * std::log(pair.u));
        const double angle = 6.283185307179586 * pair.v;
        pending_ = radius * std::cos(angle);
        spare_ = radius * std::sin(angle);
        has_pending_ = true;
        has_spare_ = true;
    }

    // Standard normal, by Box-Muller; the second value of each pair is kept.
    double gaussian() {
        if (has_pending_) {
            has_pending_ = false;
            return pending_;
        }
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
    double pending_ = 0.0;
    bool has_pending_ = false;
};

inline std::uint64_t mix_seed(std::uint64_t a, std::uint64_t b) {
    SampleRandom random(a ^ (b * 0xd6e8feb86659fd93ULL + 0x632be59bd9b4e019ULL));
    random.next();
    return random.next();
}

// The uniform pair behind the noise of delivery `k` (0 or 1) of sample
// `sample` when the first `deliveries` (1 or 2) deliveries of every sample
// are stratified: point `sample` of a Kronecker sequence, shifted at random
// by `seed`. Every prefix of the sequence covers the square (with two
// deliveries the 4-cube) about evenly, so the first n samples of a decision
// meet the noise more evenly than n random draws would, and unbiased.
// One delivery takes the plastic number's sequence, two the sequence of
// the root of x^5 = x + 1.
inline UniformPair stratified_noise(std::uint64_t seed, int sample, int k, int deliveries) {
    static constexpr double PLASTIC[2] = {0.7548776662466927, 0.5698402909980532};
    static constexpr double FOUR[4] = {0.8566748838545029, 0.733891856627126, 0.6287067210378086,
                                       0.53859725722361};
    const double* alpha = deliveries == 1 ? PLASTIC : FOUR + 2 * k;
    SampleRandom shift(mix_seed(seed, 0x7374726174ULL + static_cast<std::uint64_t>(k)));
    const double u = shift.uniform() + alpha[0] * sample;
    const double v = shift.uniform() + alpha[1] * sample;
    return {1.0 - (u - std::floor(u)), v - std::floor(v)};
}

}  // namespace planner
