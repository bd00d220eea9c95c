#pragma once

#include <cstdint>
#include <random>

namespace runner {

// Seed of one game, from the match seed and the game's number, so a game
// draws the same noise whichever worker plays it and in whatever order.
std::uint64_t game_seed(std::uint64_t match_seed, int game_index);

// Gaussian draws that are the same on every platform: the standard
// library's normal distribution is not, so the transform is spelt out here.
class GaussianNoise {
public:
    explicit GaussianNoise(std::uint64_t seed) : engine_(seed) {}
    double draw(double standard_deviation);

private:
    std::mt19937_64 engine_;
    double spare_ = 0.0;
    bool has_spare_ = false;
};

}  // namespace runner
