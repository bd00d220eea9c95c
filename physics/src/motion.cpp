#include "motion.h"

#include <algorithm>
#include <limits>

namespace curling::physics {

bool make_motion(Motion& m, Vec2 p0, Vec2 vel, double w, double t0) noexcept {
    double v0 = norm(vel);
    if (!(v0 > 1e-9) || !std::isfinite(v0)) return false;
    Vec2 dir = (1.0 / v0) * vel;
    if (v0 > MAX_SPEED * 1.19) v0 = MAX_SPEED * 1.19;  // inside the table
    m.s = w > 0.0 ? 1 : (w < 0.0 ? -1 : 0);
    const CurvePoint c = curve_at(v0, m.s);
    // heading at rest = heading now rotated back by psi(v0)
    Vec2 rot{dir.x * c.u.x + dir.y * c.u.y, dir.y * c.u.x - dir.x * c.u.y};
    const double r = norm(rot);
    rot = (1.0 / r) * rot;
    m.t0 = t0;
    m.v0 = v0;
    m.t_stop = t0 + v0 / DECEL;
    m.rot = rot;
    m.rest = p0 - rotate(rot, c.q);
    m.rho = w / v0;
    return true;
}

PathHull path_hull(const Motion& m) noexcept {
    const CurvePoint c = curve_at(m.v0, m.s);
    PathHull h;
    h.a = m.rest + rotate(m.rot, c.q);
    h.b = m.rest;
    h.apex = h.a;
    h.segment = true;
    auto box = [&h] {
        h.lo = Vec2{std::min({h.a.x, h.b.x, h.apex.x}), std::min({h.a.y, h.b.y, h.apex.y})};
        h.hi = Vec2{std::max({h.a.x, h.b.x, h.apex.x}), std::max({h.a.y, h.b.y, h.apex.y})};
    };
    box();
    if (m.s == 0) return h;
    const Vec2 da = rotate(m.rot, c.u);  // heading at the start
    const Vec2 db = m.rot;               // heading at rest
    const double det = cross(da, db);
    if (std::fabs(det) < 1e-12) return h;
    // a + lambda da = b - mu db
    const Vec2 ab = h.b - h.a;
    const double lambda = cross(ab, db) / det;
    const double mu = cross(da, ab) / det;
    if (!(lambda >= 0.0) || !(mu >= 0.0)) return h;  // cannot happen for turns below a half turn
    h.apex = h.a + lambda * da;
    h.segment = false;
    box();
    return h;
}

namespace {
double distance_to_segment(Vec2 a, Vec2 b, Vec2 c) {
    const Vec2 ab = b - a;
    const double len2 = dot(ab, ab);
    double t = len2 > 0.0 ? dot(c - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return norm(c - (a + t * ab));
}
}  // namespace

double distance_to_hull(const PathHull& h, Vec2 c) noexcept {
    if (h.segment) return distance_to_segment(h.a, h.b, c);
    const double c1 = cross(h.apex - h.a, c - h.a);
    const double c2 = cross(h.b - h.apex, c - h.apex);
    const double c3 = cross(h.a - h.b, c - h.b);
    if ((c1 >= 0 && c2 >= 0 && c3 >= 0) || (c1 <= 0 && c2 <= 0 && c3 <= 0)) return 0.0;
    return std::min({distance_to_segment(h.a, h.apex, c), distance_to_segment(h.apex, h.b, c),
                     distance_to_segment(h.b, h.a, c)});
}

double exit_time_until(const Motion& m, const PathHull& h, double v_end, int* which) noexcept {
    constexpr double INF = std::numeric_limits<double>::infinity();
    if (inside_play(h.a) && inside_play(h.b) && inside_play(h.apex)) return INF;
    // Split the path where the heading crosses a multiple of a quarter turn:
    // between those speeds both coordinates are monotone, so the stone is in
    // play all along a piece whose ends are in play.
    double breaks[4];
    int nb = 0;
    if (m.s != 0) {
        const double phi_rest = std::atan2(m.rot.y, m.rot.x);
        const double span = CURL_C * std::atan(m.v0 / CURL_VC);  // heading turned from v0 to rest
        const double quarter = 0.5 * 3.14159265358979323846;
        // heading at speed v: phi_rest + psi_s(v), psi_s in [-s span, 0]
        const double lo = m.s > 0 ? phi_rest - span : phi_rest;
        const double hi = m.s > 0 ? phi_rest : phi_rest + span;
        for (int k = static_cast<int>(std::ceil(lo / quarter)); k * quarter < hi && nb < 4; ++k) {
            const double target = k * quarter;
            if (target <= lo) continue;
            // solve phi_rest - s C atan(v / vc) = target
            const double at = (phi_rest - target) / (m.s * CURL_C);
            if (at > 0.0 && at < 0.5 * 3.14159265358979323846) {
                const double v = CURL_VC * std::tan(at);
                if (v > v_end && v < m.v0) breaks[nb++] = v;
            }
        }
        std::sort(breaks, breaks + nb, [](double a, double b) { return a > b; });
    }
    double v_start = m.v0;
    for (int i = 0; i <= nb; ++i) {
        const double v_stop = i < nb ? breaks[i] : v_end;
        const Vec2 end = motion_position_at_speed(m, v_stop);
        if (!inside_play(end)) {
            // Both coordinates are monotone on this piece: the stone leaves
            // play where the first of the violated limits is crossed. Find
            // each crossing by the Illinois method; the earliest (fastest) wins.
            double exit_v = -1.0;
            for (int limit = 0; limit < 4; ++limit) {
                // limit: 0 u >= max, 1 u <= -max, 2 y < min, 3 y > max
                auto f = [&](double v) {
                    const Vec2 p = motion_position_at_speed(m, v);
                    switch (limit) {
                        case 0: return p.x - MAX_ABS_U;
                        case 1: return -MAX_ABS_U - p.x;
                        case 2: return MIN_Y - p.y;
                        default: return p.y - MAX_Y;
                    }
                };
                const double f_end = f(v_stop);
                if (!(f_end >= 0.0)) continue;  // this limit is not crossed
                // f < 0 inside; find the largest v in (v_stop, v_start] with f >= 0
                double in = v_start;
                double out = v_stop;
                double f_in = f(in);
                double f_out = f_end;
                int side = 0;
                for (int it = 0; it < 100 && in - out > 1e-12; ++it) {
                    double mid = (f_in * out - f_out * in) / (f_in - f_out);
                    if (!(mid > out && mid < in)) mid = 0.5 * (in + out);
                    const double fm = f(mid);
                    if (fm >= 0.0) {
                        out = mid;
                        f_out = fm;
                        if (side == -1) f_in *= 0.5;
                        side = -1;
                    } else {
                        in = mid;
                        f_in = fm;
                        if (side == 1) f_out *= 0.5;
                        side = 1;
                    }
                    if (f_out == 0.0) break;
                }
                if (out > exit_v) {
                    exit_v = out;
                    if (which != nullptr) *which = limit;
                }
            }
            if (exit_v < 0.0) exit_v = v_stop;  // cannot happen: some limit is crossed
            return m.t0 + (m.v0 - exit_v) / DECEL;
        }
        v_start = v_stop;
    }
    return INF;
}

double exit_time(const Motion& m, const PathHull& h, int* which) noexcept {
    return exit_time_until(m, h, 0.0, which);
}

}  // namespace curling::physics
