#include "collision.h"

#include <algorithm>

namespace curling::physics {

bool contact_impulse(Body& a, Body& b, Vec2 n, const ContactParams& params) noexcept {
    const Vec2 t{-n.y, n.x};
    const Vec2 dv{a.v.x - b.v.x, a.v.y - b.v.y};
    const double un = dv.x * n.x + dv.y * n.y;  // approach speed of the contact points
    if (!(un > 1e-12)) return false;
    // velocity of a's contact point relative to b's, along t
    const double ut = dv.x * t.x + dv.y * t.y + STONE_RADIUS * (a.w + b.w);
    // impulses per unit mass: reduced mass m/2 along the normal; along the
    // tangent 1/m_eff = 2/m + 2 R^2/I = 6/m
    const double jn = 0.5 * (1.0 + params.restitution) * un;
    const double cap = params.friction * jn;
    const double jt = std::clamp(ut / 6.0, -cap, cap);
    const Vec2 j{jn * n.x + jt * t.x, jn * n.y + jt * t.y};
    a.v.x -= j.x;
    a.v.y -= j.y;
    b.v.x += j.x;
    b.v.y += j.y;
    // torque of the tangential impulse about each centre: R * jt / (R^2 / 2)
    const double dw = 2.0 * jt / STONE_RADIUS;
    a.w -= dw;
    b.w -= dw;
    return true;
}

int resolve_contacts(Body* bodies, const ContactPair* pairs, int pair_count,
                     const ContactParams& params, bool* touched, int max_passes,
                     double* first_approach) noexcept {
    int applied = 0;
    if (first_approach != nullptr) {
        for (int k = 0; k < pair_count; ++k) first_approach[k] = 0.0;
    }
    for (int pass = 0; pass < max_passes; ++pass) {
        bool any = false;
        for (int k = 0; k < pair_count; ++k) {
            const ContactPair& c = pairs[k];
            const double un = approach_speed(bodies[c.a], bodies[c.b], c.n);
            if (contact_impulse(bodies[c.a], bodies[c.b], c.n, params)) {
                if (first_approach != nullptr && first_approach[k] == 0.0) first_approach[k] = un;
                touched[c.a] = true;
                touched[c.b] = true;
                any = true;
                ++applied;
            }
        }
        if (!any) break;
    }
    return applied;
}

}  // namespace curling::physics
