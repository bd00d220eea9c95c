#include "noise.h"

#include <cmath>
#include <numbers>

namespace runner {

std::uint64_t game_seed(std::uint64_t match_seed, int game_index) {
    std::uint64_t z = match_seed + 0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(game_index + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double GaussianNoise::draw(double standard_deviation) {
    if (has_spare_) {
        has_spare_ = false;
        return spare_ * standard_deviation;
    }
    // Uniforms in (0, 1] from the top 53 bits; never 0, so the log is finite.
    const auto uniform = [this] {
        return (static_cast<double>(engine_() >> 11) + 1.0) * 0x1.0p-53;
    };
    const double radius = std::sqrt(-2.0 * std::log(uniform()));
    const double angle = 2.0 * std::numbers::pi * uniform();
    spare_ = radius * std::sin(angle);
    has_spare_ = true;
    return radius * std::cos(angle) * standard_deviation;
}

}  // namespace runner
