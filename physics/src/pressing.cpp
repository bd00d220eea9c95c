// Stones pressed against each other: a slow stone sliding along the rim of
// a resting one, and pairs that would otherwise bounce apart without end.
#include <cmath>

#include "world.h"

namespace curling::physics::engine_detail {

bool World::slide_to_rest(const ContactPair& pair, const Vec2* pos, double t, bool to_obstacle) {
    if (st[pair.a].moving == st[pair.b].moving) return false;
    const int a = st[pair.a].moving ? pair.a : pair.b;
    const int b = a == pair.a ? pair.b : pair.a;
    const Vec2 n = a == pair.a ? pair.n : -1.0 * pair.n;  // from a to b
    const Motion& m = st[a].m;
    if (m.s == 0) return false;
    const MotionState ms = motion_state(m, t);
    const double v = ms.v;
    if (!(v > 0.0)) return false;
    const Vec2 heading = (1.0 / v) * ms.vel;
    const Vec2 curl_side{-m.s * heading.y, m.s * heading.x};
    const bool presses = dot(curl_side, n) > 0.0 &&
                         CURL_K / (v * (v * v + CURL_VC * CURL_VC)) >= 1.0 / (2.0 * STONE_RADIUS);
    if (!presses) return false;
    const Vec2 tangential = ms.vel - dot(ms.vel, n) * n;
    const Vec2 r = pos[a] - pos[b];
    const double radius = norm(r);
    const double angle = dot(tangential, tangential) / (2.0 * DECEL) / radius;
    const double turn = cross(r, tangential) >= 0.0 ? angle : -angle;
    auto along = [&](double f) { return pos[b] + rotate(Vec2{std::cos(f * turn), std::sin(f * turn)}, r); };
    // clear of every other stone (of those it already touches, no nearer)
    auto clear = [&](Vec2 p) {
        for (int c = 0; c < STONES; ++c) {
            if (c == a || c == b || st[c].slot != Slot::IN_PLAY) continue;
            const Vec2 now = pos[c] - pos[a];
            const double room = std::fmin(4.0 * STONE_RADIUS * STONE_RADIUS, dot(now, now));
            const Vec2 d = pos[c] - p;
            if (dot(d, d) < room) return false;
        }
        return true;
    };
    Vec2 rest = along(1.0);
    if (!inside_play(rest) || !clear(rest)) {
        if (!to_obstacle) return false;
        // Another stone in the way ends the slide where the slider meets
        // it; a line crossed on the way takes the slider out of play.
        double lo = 0.0;
        double hi = 1.0;
        if (clear(rest)) lo = 1.0;
        for (int it = 0; it < 40 && lo < hi; ++it) {
            const double mid = 0.5 * (lo + hi);
            if (clear(along(mid))) lo = mid;
            else hi = mid;
        }
        rest = lo > 0.0 ? along(lo) : pos[a];
        if (!inside_play(rest)) {
            st[a].moving = false;
            st[a].slot = Slot::REMOVED;
            st[a].removal = std::fabs(rest.x) >= MAX_ABS_U ? Removal::SIDE_LINE
                            : rest.y < MIN_Y             ? Removal::BACK_LINE
                                                         : Removal::NEAR_BACK_LINE;
            ++version[a];
            return true;
        }
    }
    st[a].moving = false;
    st[a].p = rest;
    ++version[a];
    return true;
}

bool World::leave_resting(int i, const ContactPair* pairs, int count, Vec2 v, Vec2& out, int& only) const {
    Vec2 normals[STONES];  // toward the resting stones
    int m = 0;
    only = -1;
    int approached = 0;
    for (int k = 0; k < count; ++k) {
        const int other = pairs[k].a == i ? pairs[k].b : (pairs[k].b == i ? pairs[k].a : -1);
        if (other < 0 || st[other].moving) continue;
        normals[m] = pairs[k].a == i ? pairs[k].n : -1.0 * pairs[k].n;
        if (dot(v, normals[m]) > 1e-12) {
            only = approached++ == 0 ? k : -1;
        }
        ++m;
    }
    if (approached == 0) return false;
    auto approaches = [&](Vec2 u) {
        for (int k = 0; k < m; ++k) {
            if (dot(u, normals[k]) > 1e-12) return true;
        }
        return false;
    };
    // In the plane the nearest such velocity slides along one of them or is 0.
    out = Vec2{0.0, 0.0};
    double best = dot(v, v);
    for (int k = 0; k < m; ++k) {
        const double into = dot(v, normals[k]);
        if (!(into > 0.0)) continue;
        const Vec2 u = v - into * normals[k];
        if (into * into < best && !approaches(u)) {
            out = u;
            best = into * into;
        }
    }
    return true;
}

void World::hold_pressed(const ContactPair* pairs, int count, const Body* before, const Vec2* pos, double t) {
    bool held[STONES] = {};
    for (int k = 0; k < count; ++k) {
        const int a = pairs[k].a;
        const int b = pairs[k].b;
        if (!st[a].moving || !st[b].moving || held[a] || held[b]) continue;
        if (!(approach_speed(before[a], before[b], pairs[k].n) > 1e-12)) continue;
        held[dot(before[a].v, before[a].v) < dot(before[b].v, before[b].v) ? a : b] = true;
    }
    for (int i = 0; i < STONES; ++i) {
        if (!held[i]) continue;
        st[i].moving = false;
        st[i].p = pos[i];
        ++version[i];
    }
    for (int i = 0; i < STONES; ++i) {
        if (st[i].slot != Slot::IN_PLAY || !st[i].moving) continue;
        Vec2 vel{};
        int only = -1;
        if (!leave_resting(i, pairs, count, before[i].v, vel, only)) continue;
        if (only >= 0 && slide_to_rest(pairs[only], pos, t, true)) continue;
        start_motion(st[i], pos[i], vel, before[i].w, t);
        ++version[i];
    }
}

bool World::pressed_together(const ContactPair* pairs, int count, const Body* bodies, const Vec2* pos, double t) {
    bool struck = false;
    bool collapsing = false;
    for (int k = 0; k < count; ++k) {
        const int a = pairs[k].a;
        const int b = pairs[k].b;
        const double approach = approach_speed(bodies[a], bodies[b], pairs[k].n);
        if (!(approach > 1e-12)) continue;
        if (!(approach < SLOW_CONTACT) || (sloppy[a] >> b & 1u) == 0) return false;
        struck = true;
        collapsing |= presses[a][b] >= PRESSES_BEFORE_HOLD;
    }
    if (!struck || !collapsing) return false;
    hold_pressed(pairs, count, bodies, pos, t);
    return true;
}

}  // namespace curling::physics::engine_detail
