// Instantaneous collisions between stones: equal discs of mass m, radius R and
// moment of inertia m R^2 / 2, with restitution and Coulomb friction at the
// contact point.
#pragma once

#include "model.h"

namespace curling::physics {

struct Body {
    Vec2 v;    // velocity (m/s)
    double w;  // angular velocity (rad/s, counter-clockwise positive)
};

struct ContactParams {
    double restitution = RESTITUTION;
    double friction = STONE_FRICTION;
};

// Applies the impulse of one contact between a and b, n being the unit
// normal from a's centre to b's. Nothing happens unless the contact points
// approach each other; returns whether an impulse was applied.
bool contact_impulse(Body& a, Body& b, Vec2 n, const ContactParams& params) noexcept;

struct ContactPair {
    int a;
    int b;
    Vec2 n;  // unit normal from a to b
};

// Frozen stones: applies the impulses of all the touching pairs over and over
// (in the order given) until no contact approaches any more, or `max_passes`
// passes have been made. Marks in `touched` the bodies that received an
// impulse and returns the number of impulses applied. When `first_approach`
// is given, it receives for each pair the approach speed at its first
// impulse (0 when it had none).
int resolve_contacts(Body* bodies, const ContactPair* pairs, int pair_count,
                     const ContactParams& params, bool* touched, int max_passes,
                     double* first_approach = nullptr) noexcept;

// Approach speed of the contact points of a and b along n (positive when
// they approach).
inline double approach_speed(const Body& a, const Body& b, Vec2 n) noexcept {
    return (a.v.x - b.v.x) * n.x + (a.v.y - b.v.y) * n.y;
}

}  // namespace curling::physics
