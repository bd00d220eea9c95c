// The reference: a plain fixed-step integrator of the same equations of
// motion (classical Runge-Kutta, dt = 1 ms by default, double precision) in
// speed and heading,
//   dv/dt = -DECEL,  dphi/dt = s * CURL_K / (v^2 + CURL_VC^2),
//   dx/dt = v cos(phi), dy/dt = v sin(phi),
// which, when a step ends with two stones overlapping and approaching or a
// stone out of play, rewinds to the step's start and bisects the step to
// the moment of touching (or of leaving play) before it applies the
// impulses. It shares only the constants and the impulse law
// (resolve_contacts) with the library.
#pragma once

#include "engine.h"

namespace physics_test {

struct ReferenceResult {
    double end_time = 0.0;
    bool delivered_hit = false;
    int contacts = 0;
};

ReferenceResult reference_shot(curling::physics::Sheet& sheet, int thrown, curling::physics::Vec2 vel,
                               int spin, double dt = 1e-3);

}  // namespace physics_test
