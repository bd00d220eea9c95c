#include "shots.h"

#include <cmath>

#include "motion.h"

namespace curling::physics {
namespace {

constexpr Vec2 kRelease{0.0, kReleaseY};
constexpr double kMargin = 1e-3;  // how far inside a limit a moved target is put

double chord_length(double v0, Vec2 qe, int s) { return norm(curve_q(v0, s) - qe); }

// Velocity of the shot with initial speed v0 that reaches `target` when its
// speed has fallen to v_end.
Vec2 aim(Vec2 target, double v0, double v_end, int s) {
    const CurvePoint start = curve_at(v0, s);
    const Vec2 chord = curve_q(v_end, s) - start.q;  // in the curve's own frame
    const Vec2 d = target - kRelease;
    // rotation R with R * chord = d
    Vec2 rot{d.x * chord.x + d.y * chord.y, d.y * chord.x - d.x * chord.y};
    const double r = norm(rot);
    rot = r > 0.0 ? (1.0 / r) * rot : Vec2{0.0, -1.0};
    const Vec2 dir = rotate(rot, start.u);
    return v0 * dir;
}

bool path_in_play(Vec2 vel, int s, double v_end) {
    Motion m;
    if (!make_motion(m, kRelease, vel, s, 0.0)) return true;
    const PathHull h = path_hull(m);
    return std::isinf(exit_time_until(m, h, v_end));
}

}  // namespace

bool speed_for_chord(double length, double v_end, int s, double& v0) noexcept {
    const Vec2 qe = curve_q(v_end, s);
    if (chord_length(kMaxSpeed, qe, s) < length) {
        v0 = kMaxSpeed;
        return false;
    }
    double lo = v_end;
    double hi = kMaxSpeed;
    double v = std::sqrt(v_end * v_end + 2.0 * kDecel * length);
    if (!(v > lo && v < hi)) v = 0.5 * (lo + hi);
    for (int it = 0; it < 60; ++it) {
        const CurvePoint c = curve_at(v, s);
        const Vec2 chord = c.q - qe;
        const double len = norm(chord);
        const double f = len - length;
        if (f < 0.0) lo = v;
        else hi = v;
        // d|chord|/dv = chord . Q'(v) / |chord|, Q'(v) = -(v / a) U(v)
        const double slope = len > 0.0 ? -dot(chord, c.u) * (v / kDecel) / len : 0.0;
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
    if (!std::isfinite(target.x) || !std::isfinite(target.y)) {
        target = Vec2{0.0, kTeeY};
        reachable = false;
    }
    const double max_u = kMaxAbsU - kMargin;
    if (!(std::fabs(target.x) < kMaxAbsU)) {
        target.x = target.x > 0.0 ? max_u : -max_u;
        reachable = false;
    }
    if (!(target.y >= kMinY)) {
        target.y = kMinY + kMargin;
        reachable = false;
    } else if (!(target.y < kHogClearY)) {
        target.y = kHogClearY - kMargin;
        reachable = false;
    }
    auto solve = [&](Vec2 p, Vec2& vel) {
        double v0 = 0.0;
        speed_for_chord(norm(p - kRelease), 0.0, s, v0);
        vel = aim(p, v0, 0.0, s);
        return path_in_play(vel, s, 0.0);
    };
    Vec2 vel{};
    if (solve(target, vel)) return {vel, reachable};
    // The path touches a side line: move the target toward the centre line
    // to the last point that is reached in play.
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
    const double backed = good + (bad > good ? -kMargin : kMargin);
    Vec2 v{};
    if (std::fabs(backed) < std::fabs(good) && solve(Vec2{backed, target.y}, v)) good_vel = v;
    return {good_vel, false};
}

ShotSolution solve_hit(Vec2 target, double speed_at_target, int s) noexcept {
    bool reachable = true;
    double v_end = speed_at_target;
    if (!(v_end >= 0.0)) {  // negative or NaN
        v_end = 0.0;
        reachable = false;
    } else if (v_end > kMaxSpeed) {
        v_end = kMaxSpeed;
        reachable = false;
    }
    if (!std::isfinite(target.x) || !std::isfinite(target.y)) {
        target = Vec2{0.0, kTeeY};
        reachable = false;
    }
    const double max_u = kMaxAbsU - kMargin;
    if (!(std::fabs(target.x) < kMaxAbsU)) {
        target.x = target.x > 0.0 ? max_u : -max_u;
        reachable = false;
    }
    if (!(target.y >= kMinY)) {
        target.y = kMinY + kMargin;
        reachable = false;
    } else if (!(target.y <= kReleaseY - 0.5)) {
        target.y = kReleaseY - 0.5;
        reachable = false;
    }
    auto solve = [&](Vec2 p, Vec2& vel) {
        const double length = norm(p - kRelease);
        double v0 = 0.0;
        double ve = v_end;
        if (!speed_for_chord(length, ve, s, v0)) {
            // too fast for kMaxSpeed: the fastest shot through the point
            reachable = false;
            v0 = kMaxSpeed;
            double lo = 0.0;
            double hi = ve;
            for (int it = 0; it < 60; ++it) {
                const double mid = 0.5 * (lo + hi);
                if (norm(curve_q(kMaxSpeed, s) - curve_q(mid, s)) >= length) lo = mid;
                else hi = mid;
            }
            ve = lo;
        }
        vel = aim(p, v0, ve, s);
        return path_in_play(vel, s, ve);
    };
    Vec2 vel{};
    if (solve(target, vel)) return {vel, reachable};
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
    const double backed = good + (bad > good ? -kMargin : kMargin);
    Vec2 v{};
    if (std::fabs(backed) < std::fabs(good) && solve(Vec2{backed, target.y}, v)) good_vel = v;
    return {good_vel, false};
}

}  // namespace curling::physics
