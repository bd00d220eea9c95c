#pragma once

#include <string>
#include <vector>

#include "simulator/simulator_loader.h"
#include "view/sheet_svg.h"

// How the stones of one shot ran, recomputed through the library's
// trajectory export, kept sparsely: only stones that moved, only while they
// are in the picture, and only the frames needed to follow each path to
// within PATH_TOLERANCE.

inline constexpr float FRAME_INTERVAL_S = 0.05f;
inline constexpr int MAX_FRAMES = 4000;          // 200 s of play: far beyond any shot
// A centimetre is a pixel or less on a page's sheet, and keeps a 200-game
// page well under 20 MB.
inline constexpr double PATH_TOLERANCE = 0.01;  // metres
// A recomputed resting position further than this from the record's is
// flagged: the record was made with another physics library.
inline constexpr double REST_TOLERANCE = 0.001;  // metres

struct PathPoint {
    int frame;  // time is frame * FRAME_INTERVAL_S
    double x;
    double y;
};

struct StonePath {
    int slot;
    bool removed;  // left play: hidden after its last point
    std::vector<PathPoint> points;
};

struct ShotPaths {
    bool computed = false;  // false when the library refused the shot
    std::vector<StonePath> stones;
    Position final_position{};
    // Largest distance between a recomputed resting stone and the record's
    // (infinity when a stone is on the sheet in one and not in the other).
    double deviation = 0;
    int deviating_slot = -1;
};

// Plays `delivered` from `before` with no noise. `frames` is scratch space
// the caller may reuse between calls.
ShotPaths compute_shot_paths(const SimulatorApi& api, const GAMESTATE& before,
                             ShotVector delivered, const Position& recorded_after,
                             std::vector<StonePosition>& frames);

// Where the stones rest after `shot` is played from `before` without noise;
// `before`'s stones when the library refuses the shot.
Position rest_without_noise(const SimulatorApi& api, const GAMESTATE& before, ShotVector shot);

// Frames of one stone kept so that following straight lines between the kept
// ones in time strays at most `tolerance` from every dropped frame; the first
// and last frames are always kept.
std::vector<PathPoint> simplify_path(const std::vector<PathPoint>& frames, double tolerance);

// The stones of a path inside the picture, as drawing points.
std::vector<std::array<double, 2>> visible_points(const StonePath& path);
