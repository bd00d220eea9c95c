// Conversion between the public records and the internal sheet, and the
// whole of one Simulation call (shared by Simulation and SimulateTrajectory).
#pragma once

#include <cstdint>

#include "curling_simulator.h"
#include "engine.h"

namespace curling::physics {

// The record's position of a stone at internal position p (mirrored back
// when `mirror`), rounded so that mirroring is exact (x for -u is 4.75f
// minus x for u) and so that a stone in play is never rounded out of play.
StonePosition record_position(Vec2 p, bool mirror) noexcept;

// Loads the stones of `state` into `sheet` (mirrored when `mirror`): slots
// that take no part become ABSENT.
void load_sheet(const GAMESTATE& state, bool mirror, Sheet& sheet) noexcept;

// Whether a stone at this sheet position takes part in a shot.
bool takes_part(StonePosition p) noexcept;

// A shot in library units from an internal velocity (m/s).
ShotVector to_shot(Vec2 vel, bool mirror) noexcept;

struct TrajectoryFrames {
    StonePosition* frames;
    std::int32_t capacity;
    double interval;
    std::int32_t written = 0;
};

// Simulation on `state` (see curling_simulator.h) with an optional recorder.
std::int32_t simulate_state(GAMESTATE& state, ShotVector shot, float spread, std::int32_t limit,
                            TrajectoryFrames* frames) noexcept;

}  // namespace curling::physics
