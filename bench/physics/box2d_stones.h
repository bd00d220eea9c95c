// The library's model played by Box2D, a general rigid-body engine stepped
// at a fixed rate, for the benchmark's comparison: stones are dynamic discs
// (no gravity), the ice's friction, the curl and the slowing of the spin are
// forces and a torque applied before every step, and contacts are Box2D's
// own (restitution and stone-on-stone friction of the model).
#pragma once

#include "engine.h"

namespace physics_bench {

struct Box2DResult {
    double end_time = 0.0;      // simulated seconds until every stone rested or left play
    long steps = 0;
    bool delivered_hit = false;  // the delivered stone touched another stone
    bool cut_short = false;      // still sliding after MAX_TIME: the positions are not final
};

// Box2D's version, as "major.minor.revision".
const char* box2d_version();

// Plays stone `thrown` from the release point with velocity `vel` (m/s,
// internal coordinates) and curl sign `spin` (+1 counter-clockwise), the
// other IN_PLAY stones of `sheet` standing, in steps of 1/`rate_hz` s; same
// contract as the reference integrator: on return every stone that took
// part is IN_PLAY where it rests or REMOVED.
Box2DResult box2d_shot(curling::physics::Sheet& sheet, int thrown, curling::physics::Vec2 vel, int spin,
                       double rate_hz);

}  // namespace physics_bench
