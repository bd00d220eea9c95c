#include <array>
#include <cmath>

#include "model.h"

namespace curling::physics {
namespace {

constexpr double STEP = 0.01;                 // m/s between table nodes
constexpr int NODES = 1201;                   // speeds 0 .. 12 m/s
constexpr double TOP = STEP * (NODES - 1);

struct Node {
    Vec2 q;
    Vec2 u;
    Vec2 dq;  // dQ/dv * STEP
    Vec2 du;  // dU/dv * STEP
};

double heading(double v) { return -CURL_C * std::atan(v / CURL_VC); }

// -dQ/dv for s = +1.
Vec2 integrand(double w) {
    const double psi = heading(w);
    const double r = w / DECEL;
    return {r * std::cos(psi), r * std::sin(psi)};
}

// Integral of -dQ/dv over [a, b] by 8-point Gauss-Legendre (b - a <= STEP:
// exact to rounding for this smooth integrand).
Vec2 integrate(double a, double b) {
    static constexpr double GAUSS_NODES[4] = {0.1834346424956498, 0.5255324099163290,
                                     0.7966664774136267, 0.9602898564975363};
    static constexpr double GAUSS_WEIGHTS[4] = {0.3626837833783620, 0.3137066458778873,
                                     0.2223810344533745, 0.1012285362903763};
    const double mid = 0.5 * (a + b);
    const double half = 0.5 * (b - a);
    Vec2 sum{0.0, 0.0};
    for (int k = 0; k < 4; ++k) {
        const Vec2 f1 = integrand(mid - half * GAUSS_NODES[k]);
        const Vec2 f2 = integrand(mid + half * GAUSS_NODES[k]);
        sum.x += GAUSS_WEIGHTS[k] * (f1.x + f2.x);
        sum.y += GAUSS_WEIGHTS[k] * (f1.y + f2.y);
    }
    return {sum.x * half, sum.y * half};
}

struct Table {
    std::array<Node, NODES> nodes;
    Table() {
        Vec2 q{0.0, 0.0};
        for (int i = 0; i < NODES; ++i) {
            const double v = STEP * i;
            if (i > 0) {
                const Vec2 d = integrate(STEP * (i - 1), v);
                q.x -= d.x;
                q.y -= d.y;
            }
            const double psi = heading(v);
            const Vec2 u{std::cos(psi), std::sin(psi)};
            const double r = v / DECEL * STEP;
            // dU/dv = i psi'(v) U, psi'(v) = -C vc / (v^2 + vc^2)
            const double dpsi = -CURL_C * CURL_VC / (v * v + CURL_VC * CURL_VC) * STEP;
            nodes[static_cast<std::size_t>(i)] = Node{q, u, {-r * u.x, -r * u.y}, {-dpsi * u.y, dpsi * u.x}};
        }
    }
};

// Built once when the library is loaded (about a millisecond), then only
// read: the library's one table, shared by every thread.
const Table TABLE;

inline const Table& table() { return TABLE; }

// The two table nodes around speed v and the cubic Hermite weights between
// them.
struct Span {
    const Node* a;
    const Node* b;
    double h00, h10, h01, h11;
};

inline Span span_at(double v) {
    if (!(v > 0.0)) v = 0.0;
    if (v > TOP) v = TOP;
    const double f = v * (1.0 / STEP);
    int i = static_cast<int>(f);
    if (i > NODES - 2) i = NODES - 2;
    const double t = f - i;
    const double t2 = t * t;
    const double omt = 1.0 - t;
    return Span{&table().nodes[static_cast<std::size_t>(i)],
                &table().nodes[static_cast<std::size_t>(i) + 1], (1.0 + 2.0 * t) * omt * omt,
                t * omt * omt, t2 * (3.0 - 2.0 * t), t2 * (t - 1.0)};
}

}  // namespace

CurvePoint curve_at(double v, int s) noexcept {
    if (s == 0) {
        const double vv = v > 0.0 ? v : 0.0;
        return {{-vv * vv / (2.0 * DECEL), 0.0}, {1.0, 0.0}};
    }
    const Span span = span_at(v);
    const Node& a = *span.a;
    const Node& b = *span.b;
    const double h00 = span.h00, h10 = span.h10, h01 = span.h01, h11 = span.h11;
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
        return {-vv * vv / (2.0 * DECEL), 0.0};
    }
    const Span span = span_at(v);
    const Node& a = *span.a;
    const Node& b = *span.b;
    const double h00 = span.h00, h10 = span.h10, h01 = span.h01, h11 = span.h11;
    Vec2 q{h00 * a.q.x + h10 * a.dq.x + h01 * b.q.x + h11 * b.dq.x,
           h00 * a.q.y + h10 * a.dq.y + h01 * b.q.y + h11 * b.dq.y};
    if (s < 0) q.y = -q.y;
    return q;
}

CurvePoint curve_exact(double v, int s) noexcept {
    if (s == 0) return curve_at(v, 0);
    if (!(v > 0.0)) v = 0.0;
    if (v > TOP) v = TOP;
    Vec2 q{0.0, 0.0};
    const int whole = static_cast<int>(v / STEP);
    for (int i = 0; i < whole; ++i) {
        const Vec2 d = integrate(STEP * i, STEP * (i + 1));
        q.x += d.x;
        q.y += d.y;
    }
    const Vec2 d = integrate(STEP * whole, v);
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
    if (v > TOP) v = TOP;
    return s * heading(v);
}

}  // namespace curling::physics
