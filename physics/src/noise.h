// The thread-local noise generator of Simulation's `spread`: xoshiro256**
// seeded by splitmix64, Gaussian deviates by the Box-Muller transform. The
// only mutable state of the library; each thread has its own.
#pragma once

#include <cstdint>

namespace curling::physics {

inline constexpr std::uint64_t DEFAULT_NOISE_SEED = 0x43555252494e4731ULL;  // "CURRING1"

// Seeds the calling thread's generator (every thread starts with
// DEFAULT_NOISE_SEED).
void seed_noise(std::uint64_t seed) noexcept;
// Two independent standard normal deviates from the calling thread's generator.
void gaussian_pair(double& z0, double& z1) noexcept;

}  // namespace curling::physics
