#include "noise.h"

#include <cmath>

namespace curling::physics {
namespace {

struct Xoshiro {
    std::uint64_t s[4];

    void seed(std::uint64_t x) {
        for (auto& word : s) {  // splitmix64
            x += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = x;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t next() {
        const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 45);
        return result;
    }
    // uniform in (0, 1]
    double uniform_open0() { return (static_cast<double>(next() >> 11) + 1.0) * 0x1.0p-53; }
};

struct Generator {
    Xoshiro x;
    Generator() { x.seed(DEFAULT_NOISE_SEED); }
};

thread_local Generator generator;

}  // namespace

void seed_noise(std::uint64_t seed) noexcept { generator.x.seed(seed); }

void gaussian_pair(double& z0, double& z1) noexcept {
    const double u1 = generator.x.uniform_open0();
    const double u2 = generator.x.uniform_open0();
    const double r = std::sqrt(-2.0 * std::log(u1));
    const double a = 6.283185307179586 * u2;
    z0 = r * std::cos(a);
    z1 = r * std::sin(a);
}

}  // namespace curling::physics
