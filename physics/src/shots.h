// The shot makers: closed-form aiming on the universal curve.
//
// A shot from the release point with initial speed v0 reaches speed v_end
// at release + R * (Q_s(v_end) - Q_s(v0)) for the rotation R that its
// direction gives. The length of that chord depends on v0 alone (and grows
// with it), so v0 follows from the distance to the target by a 1-D Newton
// solve and R from the target's bearing: the shot is exact to the accuracy
// of the table, with no simulation loop.
#pragma once

#include "model.h"

namespace curling::physics {

struct ShotSolution {
    Vec2 vel;         // initial velocity (m/s), internal coordinates
    bool reachable;   // false: the nearest reachable shot instead
};

// The shot with curl sign s that comes to rest at `target` (internal
// coordinates) on an empty sheet. Reachable targets: in play (touching no
// side line, not completely over the back line), completely over the far hog
// line, and reached along a path that touches no side line.
ShotSolution solve_draw(Vec2 target, int s) noexcept;

// The shot with curl sign s whose path passes through `target` with speed
// `speed_at_target` (m/s) there, without leaving play on the way.
ShotSolution solve_hit(Vec2 target, double speed_at_target, int s) noexcept;

// The initial speed with which a stone reaches speed v_end after travelling
// a chord of length `length`; false when it would exceed MAX_SPEED.
bool speed_for_chord(double length, double v_end, int s, double& v0) noexcept;

}  // namespace curling::physics
