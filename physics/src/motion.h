// The free flight of one stone: a rotated (and, for clockwise stones,
// mirrored) piece of the universal curve, with the time at which it comes to
// rest or leaves play.
#pragma once

#include <cmath>

#include "model.h"

namespace curling::physics {

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(double k, Vec2 a) { return {k * a.x, k * a.y}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
inline double norm(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
// Complex product (rotation of b by the unit vector a).
inline Vec2 rotate(Vec2 a, Vec2 b) { return {a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x}; }

// True while a stone centred at p is in play (touches no side line and has
// crossed neither back line completely).
inline bool inside_play(Vec2 p) {
    return std::fabs(p.x) < MAX_ABS_U && p.y >= MIN_Y && p.y <= MAX_Y;
}

struct Motion {
    double t0 = 0.0;      // time at which the motion starts (s)
    double v0 = 0.0;      // speed at t0 (m/s)
    double t_stop = 0.0;  // time of rest
    Vec2 rest{};          // where it comes to rest
    Vec2 rot{1.0, 0.0};   // rotation of the universal curve (heading at rest)
    int s = 0;            // curl sign: +1 counter-clockwise, -1 clockwise, 0 none
    double rho = 0.0;     // angular velocity per unit of speed (rad/m)
};

struct MotionState {
    Vec2 p;      // position
    Vec2 vel;    // velocity
    double v;    // speed
};

// The motion of a stone at p0 with velocity vel and angular velocity w
// (rad/s, counter-clockwise positive) from time t0. Returns false (and
// leaves `m` unspecified) when the speed is too small to move.
bool make_motion(Motion& m, Vec2 p0, Vec2 vel, double w, double t0) noexcept;

inline MotionState motion_state(const Motion& m, double t) noexcept {
    double v = m.v0 - DECEL * (t - m.t0);
    if (!(v > 0.0)) v = 0.0;
    const CurvePoint c = curve_at(v, m.s);
    const Vec2 q = rotate(m.rot, c.q);
    const Vec2 u = rotate(m.rot, c.u);
    return {m.rest + q, v * u, v};
}

inline Vec2 motion_position(const Motion& m, double t) noexcept {
    double v = m.v0 - DECEL * (t - m.t0);
    if (!(v > 0.0)) v = 0.0;
    return m.rest + rotate(m.rot, curve_q(v, m.s));
}

inline Vec2 motion_position_at_speed(const Motion& m, double v) noexcept {
    return m.rest + rotate(m.rot, curve_q(v, m.s));
}

// A triangle (or, when `segment`, the segment a-b) that holds the whole path
// of the motion: a convex arc turning by less than a half turn lies inside
// the triangle of its chord and its two end tangents.
struct PathHull {
    Vec2 a;
    Vec2 apex;
    Vec2 b;
    bool segment;
    Vec2 lo;  // bounding box of the three points
    Vec2 hi;
};
PathHull path_hull(const Motion& m) noexcept;
double distance_to_hull(const PathHull& h, Vec2 c) noexcept;
// Whether c lies within distance r of the hull (a bounding-box test first).
inline bool near_hull(const PathHull& h, Vec2 c, double r) noexcept {
    if (c.x < h.lo.x - r || c.x > h.hi.x + r || c.y < h.lo.y - r || c.y > h.hi.y + r) return false;
    return distance_to_hull(h, c) <= r;
}

// The first time at which the stone leaves play along the motion, or +inf
// when it stays in play until it rests (its start point being in play).
// `which` (if given) receives the line crossed: 0 or 1 a side line (+u or
// -u), 2 the far back line, 3 the near back line.
double exit_time(const Motion& m, const PathHull& h, int* which = nullptr) noexcept;
// The same, up to the time at which the speed falls to v_end.
double exit_time_until(const Motion& m, const PathHull& h, double v_end, int* which = nullptr) noexcept;

}  // namespace curling::physics
