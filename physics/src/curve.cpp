#include <array>
#include <cmath>

#include "model.h"

namespace curling::physics {
namespace {

constexpr double kStep = 0.01;                 // m/s between table nodes
constexpr int kNodes = 1201;                   // speeds 0 .. 12 m/s
constexpr double kTop = kStep * (kNodes - 1);

struct Node {
    Vec2 q;
    Vec2 u;
    Vec2 dq;  // dQ/dv * kStep
    Vec2 du;  // dU/dv * kStep
};

double heading(double v) { return -kCurlC * std::atan(v / kCurlVc); }

// -dQ/dv for s = +1.
Vec2 integrand(double w) {
    const double psi = heading(w);
    const double r = w / kDecel;
    return {r * std::cos(psi), r * std::sin(psi)};
}

// Integral of -dQ/dv over [a, b] by 8-point Gauss-Legendre (b - a <= kStep:
// exact to rounding for this smooth integrand).
Vec2 integrate(double a, double b) {
    static constexpr double kX[4] = {0.1834346424956498, 0.5255324099163290,
                                     0.7966664774136267, 0.9602898564975363};
    static constexpr double kW[4] = {0.3626837833783620, 0.3137066458778873,
                                     0.2223810344533745, 0.1012285362903763};
    const double mid = 0.5 * (a + b);
    const double half = 0.5 * (b - a);
    Vec2 sum{0.0, 0.0};
    for (int k = 0; k < 4; ++k) {
        const Vec2 f1 = integrand(mid - half * kX[k]);
        const Vec2 f2 = integrand(mid + half * kX[k]);
        sum.x += kW[k] * (f1.x + f2.x);
        sum.y += kW[k] * (f1.y + f2.y);
    }
    return {sum.x * half, sum.y * half};
}

struct Table {
    std::array<Node, kNodes> nodes;
    Table() {
        Vec2 q{0.0, 0.0};
        for (int i = 0; i < kNodes; ++i) {
            const double v = kStep * i;
            if (i > 0) {
                const Vec2 d = integrate(kStep * (i - 1), v);
                q.x -= d.x;
                q.y -= d.y;
            }
            const double psi = heading(v);
            const Vec2 u{std::cos(psi), std::sin(psi)};
            const double r = v / kDecel * kStep;
            // dU/dv = i psi'(v) U, psi'(v) = -C vc / (v^2 + vc^2)
            const double dpsi = -kCurlC * kCurlVc / (v * v + kCurlVc * kCurlVc) * kStep;
            nodes[static_cast<std::size_t>(i)] = Node{q, u, {-r * u.x, -r * u.y}, {-dpsi * u.y, dpsi * u.x}};
        }
    }
};

// Built once when the library is loaded (about a millisecond), then only
// read: the library's one table, shared by every thread.
const Table kTable;

inline const Table& table() { return kTable; }

}  // namespace

CurvePoint curve_at(double v, int s) noexcept {
    if (s == 0) {
        const double vv = v > 0.0 ? v : 0.0;
        return {{-vv * vv / (2.0 * kDecel), 0.0}, {1.0, 0.0}};
    }
    if (!(v > 0.0)) v = 0.0;
    if (v > kTop) v = kTop;
    const double f = v * (1.0 / kStep);
    int i = static_cast<int>(f);
    if (i > kNodes - 2) i = kNodes - 2;
    const double t = f - i;
    const double t2 = t * t;
    const double omt = 1.0 - t;
    const double h00 = (1.0 + 2.0 * t) * omt * omt;
    const double h10 = t * omt * omt;
    const double h01 = t2 * (3.0 - 2.0 * t);
    const double h11 = t2 * (t - 1.0);
    const Node& a = table().nodes[static_cast<std::size_t>(i)];
    const Node& b = table().nodes[static_cast<std::size_t>(i) + 1];
    CurvePoint p;
    p.q.x = h00 * a.q.x + h10 * a.dq.x + h01 * b.q.x + h11 * b.dq.x;
    p.q.y = h00 * a.q.y + h10 * a.dq.y + h01 * b.q.y + h11 * b.dq.y;
    p.u.x = h00 * a.u.x + h10 * a.du.x + h01 * b.u.x + h11 * b.du.x;
    p.u.y = h00 * a.u.y + h10 * a.du.y + h01 * b.u.y + h11 * b.du.y;
    if (s < 0) {
        p.q.y = -p.q.y;
        p.u.y = -p.u.y;
    }
    return p;
}

Vec2 curve_q(double v, int s) noexcept {
    if (s == 0) {
        const double vv = v > 0.0 ? v : 0.0;
        return {-vv * vv / (2.0 * kDecel), 0.0};
    }
    if (!(v > 0.0)) v = 0.0;
    if (v > kTop) v = kTop;
    const double f = v * (1.0 / kStep);
    int i = static_cast<int>(f);
    if (i > kNodes - 2) i = kNodes - 2;
    const double t = f - i;
    const double t2 = t * t;
    const double omt = 1.0 - t;
    const double h00 = (1.0 + 2.0 * t) * omt * omt;
    const double h10 = t * omt * omt;
    const double h01 = t2 * (3.0 - 2.0 * t);
    const double h11 = t2 * (t - 1.0);
    const Node& a = table().nodes[static_cast<std::size_t>(i)];
    const Node& b = table().nodes[static_cast<std::size_t>(i) + 1];
    Vec2 q{h00 * a.q.x + h10 * a.dq.x + h01 * b.q.x + h11 * b.dq.x,
           h00 * a.q.y + h10 * a.dq.y + h01 * b.q.y + h11 * b.dq.y};
    if (s < 0) q.y = -q.y;
    return q;
}

CurvePoint curve_exact(double v, int s) noexcept {
    if (s == 0) return curve_at(v, 0);
    if (!(v > 0.0)) v = 0.0;
    if (v > kTop) v = kTop;
    Vec2 q{0.0, 0.0};
    const int whole = static_cast<int>(v / kStep);
    for (int i = 0; i < whole; ++i) {
        const Vec2 d = integrate(kStep * i, kStep * (i + 1));
        q.x += d.x;
        q.y += d.y;
    }
    const Vec2 d = integrate(kStep * whole, v);
    q.x += d.x;
    q.y += d.y;
    q = Vec2{-q.x, -q.y};
    const double psi = heading(v);
    CurvePoint p{q, {std::cos(psi), std::sin(psi)}};
    if (s < 0) {
        p.q.y = -p.q.y;
        p.u.y = -p.u.y;
    }
    return p;
}

double curve_heading(double v, int s) noexcept {
    if (!(v > 0.0)) v = 0.0;
    if (v > kTop) v = kTop;
    return s * heading(v);
}

}  // namespace curling::physics
