#include "shots.h"

#include <cmath>

#include "motion.h"

namespace curling::physics {
namespace {

constexpr Vec2 RELEASE{0.0, RELEASE_Y};
constexpr double MARGIN = 1e-3;  // how far inside a limit a moved target is put
// Where a draw rests misses its target by up to about 3 micrometres: the
// shot and the resting place are rounded to single precision. A target
// nearer a limit of reach than this counts as on it.
constexpr double SOLVER_ERROR = 1e-5;

double chord_length(double v0, Vec2 qe, int s) { return norm(curve_q(v0, s) - qe); }

// Velocity of the shot with initial speed v0 that reaches `target` when its
// speed has fallen to v_end.
Vec2 aim(Vec2 target, double v0, double v_end, int s) {
    const CurvePoint start = curve_at(v0, s);
    const Vec2 chord = curve_q(v_end, s) - start.q;  // in the curve's own frame
    const Vec2 d = target - RELEASE;
    // rotation R with R * chord = d
    Vec2 rot{d.x * chord.x + d.y * chord.y, d.y * chord.x - d.x * chord.y};
    const double r = norm(rot);
    rot = r > 0.0 ? (1.0 / r) * rot : Vec2{0.0, -1.0};
    const Vec2 dir = rotate(rot, start.u);
    return v0 * dir;
}

// The velocity that Simulation plays for the record of this shot, which
// holds it in single-precision library units (see to_shot).
Vec2 as_recorded(Vec2 vel) {
    return Vec2{static_cast<double>(static_cast<float>(vel.x / VELOCITY_UNIT)) * VELOCITY_UNIT,
                static_cast<double>(static_cast<float>(vel.y / VELOCITY_UNIT)) * VELOCITY_UNIT};
}

bool path_in_play(Vec2 vel, int s, double v_end) {
    Motion m;
    if (!make_motion(m, RELEASE, vel, s, 0.0)) return true;
    const PathHull h = path_hull(m);
    return std::isinf(exit_time_until(m, h, v_end));
}

// A target that is not a point of the sheet becomes the tee, and one beyond
// a side line moves just inside it; false when the target had to move.
bool bring_on_sheet(Vec2& target) {
    if (!std::isfinite(target.x) || !std::isfinite(target.y)) {
        target = Vec2{0.0, TEE_Y};
        return false;
    }
    if (!(std::fabs(target.x) < MAX_ABS_U)) {
        const double max_u = MAX_ABS_U - MARGIN;
        target.x = target.x > 0.0 ? max_u : -max_u;
        return false;
    }
    return true;
}

// The path to `target` touches a side line: move the target toward the
// centre line, to the last point whose path stays in play. `solve(point,
// velocity)` aims at a point and tells whether that path stays in play.
template <typename Solve>
ShotSolution retreat_from_side_line(Vec2 target, Solve&& solve) {
    double bad = target.x;
    double good = 0.0;
    Vec2 good_vel{};
    if (!solve(Vec2{good, target.y}, good_vel)) return {good_vel, false};
    for (int it = 0; it < 40 && std::fabs(bad - good) > 1e-9; ++it) {
        const double mid = 0.5 * (bad + good);
        Vec2 v{};
        if (solve(Vec2{mid, target.y}, v)) {
            good = mid;
            good_vel = v;
        } else {
            bad = mid;
        }
    }
    // keep clear of the line by a margin, so that rounding the shot to
    // single precision cannot make it touch
    const double backed = good + (bad > good ? -MARGIN : MARGIN);
    Vec2 v{};
    if (std::fabs(backed) < std::fabs(good) && solve(Vec2{backed, target.y}, v)) good_vel = v;
    return {good_vel, false};
}

}  // namespace

bool speed_for_chord(double length, double v_end, int s, double& v0) noexcept {
    const Vec2 qe = curve_q(v_end, s);
    if (chord_length(MAX_SPEED, qe, s) < length) {
        v0 = MAX_SPEED;
        return false;
    }
    double lo = v_end;
    double hi = MAX_SPEED;
    double v = std::sqrt(v_end * v_end + 2.0 * DECEL * length);
    if (!(v > lo && v < hi)) v = 0.5 * (lo + hi);
    for (int it = 0; it < 60; ++it) {
        const CurvePoint c = curve_at(v, s);
        const Vec2 chord = c.q - qe;
        const double len = norm(chord);
        const double f = len - length;
        if (f < 0.0) lo = v;
        else hi = v;
        // d|chord|/dv = chord . Q'(v) / |chord|, Q'(v) = -(v / a) U(v)
        const double slope = len > 0.0 ? -dot(chord, c.u) * (v / DECEL) / len : 0.0;
        double next = slope > 0.0 ? v - f / slope : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        const double step = std::fabs(next - v);
        v = next;
        if (step < 1e-13 || hi - lo < 1e-13) break;
    }
    v0 = v;
    return true;
}

ShotSolution solve_draw(Vec2 target, int s) noexcept {
    bool reachable = true;
    if (!bring_on_sheet(target)) reachable = false;
    if (!(std::fabs(target.x) < MAX_ABS_U - SOLVER_ERROR)) {
        target.x = target.x > 0.0 ? MAX_ABS_U - MARGIN : -(MAX_ABS_U - MARGIN);
        reachable = false;
    }
    if (!(target.y >= MIN_Y + SOLVER_ERROR)) {
        target.y = MIN_Y + MARGIN;
        reachable = false;
    } else if (!(target.y < HOG_CLEAR_Y - SOLVER_ERROR)) {
        target.y = HOG_CLEAR_Y - MARGIN;
        reachable = false;
    }
    auto solve = [&](Vec2 p, Vec2& vel) {
        double v0 = 0.0;
        speed_for_chord(norm(p - RELEASE), 0.0, s, v0);
        vel = aim(p, v0, 0.0, s);
        return path_in_play(as_recorded(vel), s, 0.0);
    };
    Vec2 vel{};
    if (solve(target, vel)) return {vel, reachable};
    return retreat_from_side_line(target, solve);
}

ShotSolution solve_hit(Vec2 target, double speed_at_target, int s) noexcept {
    bool reachable = true;
    double v_end = speed_at_target;
    if (!(v_end >= 0.0)) {  // negative or NaN
        v_end = 0.0;
        reachable = false;
    } else if (v_end > MAX_SPEED) {
        v_end = MAX_SPEED;
        reachable = false;
    }
    if (!bring_on_sheet(target)) reachable = false;
    if (!(target.y >= MIN_Y)) {
        target.y = MIN_Y + MARGIN;
        reachable = false;
    } else if (!(target.y <= RELEASE_Y - 0.5)) {
        target.y = RELEASE_Y - 0.5;
        reachable = false;
    }
    auto solve = [&](Vec2 p, Vec2& vel) {
        const double length = norm(p - RELEASE);
        double v0 = 0.0;
        double ve = v_end;
        if (!speed_for_chord(length, ve, s, v0)) {
            // too fast for MAX_SPEED: the fastest shot through the point
            reachable = false;
            v0 = MAX_SPEED;
            double lo = 0.0;
            double hi = ve;
            for (int it = 0; it < 60; ++it) {
                const double mid = 0.5 * (lo + hi);
                if (norm(curve_q(MAX_SPEED, s) - curve_q(mid, s)) >= length) lo = mid;
                else hi = mid;
            }
            ve = lo;
        }
        vel = aim(p, v0, ve, s);
        return path_in_play(vel, s, ve);
    };
    Vec2 vel{};
    if (solve(target, vel)) return {vel, reachable};
    return retreat_from_side_line(target, solve);
}

}  // namespace curling::physics
