#include "view/shot_paths.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A stone is in the picture while any of it can be seen.
bool in_picture(double y) { return y <= VIEW_Y_TOP + CURLING_STONE_RADIUS; }

bool same(StonePosition a, StonePosition b) { return a.x == b.x && a.y == b.y; }

double lerp_error(const PathPoint& a, const PathPoint& b, const PathPoint& p) {
    const double t = b.frame == a.frame
                         ? 0.0
                         : static_cast<double>(p.frame - a.frame) / (b.frame - a.frame);
    const double x = a.x + (b.x - a.x) * t;
    const double y = a.y + (b.y - a.y) * t;
    return std::hypot(p.x - x, p.y - y);
}

void simplify_span(const std::vector<PathPoint>& frames, std::size_t first, std::size_t last,
                   double tolerance, std::vector<bool>& keep) {
    // Iterative, so a long quiet path cannot exhaust the stack.
    std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        double worst = 0;
        std::size_t worst_index = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double error = lerp_error(frames[a], frames[b], frames[i]);
            if (error > worst) {
                worst = error;
                worst_index = i;
            }
        }
        if (worst > tolerance) {
            keep[worst_index] = true;
            spans.push_back({a, worst_index});
            spans.push_back({worst_index, b});
        }
    }
}

StonePath path_of(int slot, const std::vector<StonePosition>& frames, int count) {
    StonePath path{slot, false, {}};
    std::vector<PathPoint> visible;
    const StonePosition start = frames[static_cast<std::size_t>(slot)];
    for (int f = 0; f < count; ++f) {
        const StonePosition stone = frames[static_cast<std::size_t>(f * CURLING_STONES + slot)];
        if (empty_slot(stone) && !empty_slot(start)) {
            path.removed = true;
            break;
        }
        if (empty_slot(stone)) {
            continue;
        }
        if (!in_picture(stone.y)) {
            // Only the last frame before the stone comes into the picture.
            visible.clear();
        }
        visible.push_back(PathPoint{f, stone.x, stone.y});
    }
    if (empty_slot(frames[static_cast<std::size_t>((count - 1) * CURLING_STONES + slot)])) {
        path.removed = true;
    }
    // A resting stone that starts moving later keeps still until then.
    std::size_t first_move = 0;
    while (first_move + 1 < visible.size() && visible[first_move + 1].x == visible[0].x &&
           visible[first_move + 1].y == visible[0].y) {
        ++first_move;
    }
    visible.erase(visible.begin(), visible.begin() + static_cast<std::ptrdiff_t>(first_move));
    path.points = simplify_path(visible, PATH_TOLERANCE);
    return path;
}

double distance(StonePosition a, StonePosition b) {
    if (empty_slot(a) != empty_slot(b)) {
        return std::numeric_limits<double>::infinity();
    }
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace

std::vector<PathPoint> simplify_path(const std::vector<PathPoint>& frames, double tolerance) {
    if (frames.size() <= 2) {
        return frames;
    }
    std::vector<bool> keep(frames.size(), false);
    keep.front() = true;
    keep.back() = true;
    simplify_span(frames, 0, frames.size() - 1, tolerance, keep);
    std::vector<PathPoint> kept;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (keep[i]) {
            kept.push_back(frames[i]);
        }
    }
    return kept;
}

Position rest_without_noise(const SimulatorApi& api, const GAMESTATE& before, ShotVector shot) {
    GAMESTATE played = before;
    if (api.Simulation != nullptr) {
        api.Simulation(&played, shot, 0.0f, 0, -1);
    }
    Position rest{};
    std::copy(std::begin(played.stones), std::end(played.stones), rest.begin());
    return rest;
}

ShotPaths compute_shot_paths(const SimulatorApi& api, const GAMESTATE& before,
                             ShotVector delivered, const Position& recorded_after,
                             std::vector<StonePosition>& frames) {
    ShotPaths paths;
    if (api.SimulateTrajectory == nullptr) {
        return paths;
    }
    frames.assign(static_cast<std::size_t>(MAX_FRAMES) * CURLING_STONES, StonePosition{});
    const int count = api.SimulateTrajectory(&before, delivered, 0.0f, 0, FRAME_INTERVAL_S,
                                             frames.data(), MAX_FRAMES);
    if (count < 1) {
        return paths;
    }
    paths.computed = true;
    const std::size_t last = static_cast<std::size_t>(count - 1) * CURLING_STONES;
    std::copy_n(frames.begin() + static_cast<std::ptrdiff_t>(last), CURLING_STONES,
                paths.final_position.begin());
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        bool moved = false;
        for (int f = 1; f < count && !moved; ++f) {
            moved = !same(frames[static_cast<std::size_t>(f * CURLING_STONES + slot)],
                          frames[static_cast<std::size_t>(slot)]);
        }
        if (moved) {
            StonePath path = path_of(slot, frames, count);
            if (!path.points.empty()) {
                paths.stones.push_back(std::move(path));
            }
        }
        const double d = distance(paths.final_position[static_cast<std::size_t>(slot)],
                                  recorded_after[static_cast<std::size_t>(slot)]);
        if (d > paths.deviation) {
            paths.deviation = d;
            paths.deviating_slot = slot;
        }
    }
    return paths;
}

std::vector<std::array<double, 2>> visible_points(const StonePath& path) {
    std::vector<std::array<double, 2>> points;
    for (const PathPoint& point : path.points) {
        points.push_back({point.x, point.y});
    }
    return points;
}
