// The universal curve and the free path built on it.
#include <gtest/gtest.h>

#include <cmath>

#include "model.h"
#include "motion.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;
using cp::Vec2;

TEST(PhysicsModel, TableAgreesWithDirectQuadrature) {
    double worst_q = 0.0;
    double worst_u = 0.0;
    for (int s : {-1, 1}) {
        const int n = cases(1000, 300);
        for (int i = 0; i <= n; ++i) {
            const double v = i * (11.9 / n) + 0.00123;  // not on the table's nodes
            const cp::CurvePoint a = cp::curve_at(v, s);
            const cp::CurvePoint b = cp::curve_exact(v, s);
            worst_q = std::fmax(worst_q, std::hypot(a.q.x - b.q.x, a.q.y - b.q.y));
            worst_u = std::fmax(worst_u, std::hypot(a.u.x - b.u.x, a.u.y - b.u.y));
            const cp::Vec2 q = cp::curve_q(v, s);
            EXPECT_EQ(q.x, a.q.x);
            EXPECT_EQ(q.y, a.q.y);
            // the heading in closed form
            const double psi = cp::curve_heading(v, s);
            EXPECT_NEAR(b.u.x, std::cos(psi), 1e-15);
            EXPECT_NEAR(b.u.y, std::sin(psi), 1e-15);
        }
    }
    EXPECT_LT(worst_q, 1e-8);
    EXPECT_LT(worst_u, 1e-7);
    // mirror images
    const cp::CurvePoint l = cp::curve_at(2.5, 1);
    const cp::CurvePoint r = cp::curve_at(2.5, -1);
    EXPECT_EQ(l.q.x, r.q.x);
    EXPECT_EQ(l.q.y, -r.q.y);
    // no rotation: a straight line
    const cp::CurvePoint z = cp::curve_at(3.0, 0);
    EXPECT_DOUBLE_EQ(z.q.x, -9.0 / (2.0 * cp::DECEL));
    EXPECT_EQ(z.q.y, 0.0);
}

TEST(PhysicsModel, FreePathStartsAndEndsWhereItShould) {
    Rng rng(3);
    for (int i = 0; i < 500; ++i) {
        const Vec2 p0{rng.uniform(-2, 2), rng.uniform(3, 33)};
        const double angle = rng.uniform(0, 6.283185307179586);
        const double v0 = rng.uniform(0.01, 9.0);
        const Vec2 vel{v0 * std::cos(angle), v0 * std::sin(angle)};
        const double w = rng.uniform(-2, 2);
        cp::Motion m;
        ASSERT_TRUE(cp::make_motion(m, p0, vel, w, 1.5));
        const cp::MotionState s0 = cp::motion_state(m, 1.5);
        EXPECT_NEAR(s0.p.x, p0.x, 1e-12);
        EXPECT_NEAR(s0.p.y, p0.y, 1e-12);
        EXPECT_NEAR(s0.vel.x, vel.x, 1e-6 * v0);
        EXPECT_NEAR(s0.vel.y, vel.y, 1e-6 * v0);
        EXPECT_NEAR(m.t_stop - 1.5, v0 / cp::DECEL, 1e-12);
        const cp::Vec2 end = cp::motion_position(m, m.t_stop + 3.0);
        EXPECT_EQ(end.x, m.rest.x);
        EXPECT_EQ(end.y, m.rest.y);
        // the velocity is the derivative of the position
        const double t = 1.5 + rng.uniform(0, m.t_stop - 1.5);
        const double h = 1e-5;
        const cp::Vec2 a = cp::motion_position(m, t - h);
        const cp::Vec2 b = cp::motion_position(m, t + h);
        const cp::MotionState st = cp::motion_state(m, t);
        if (t - h > 1.5 && t + h < m.t_stop) {
            EXPECT_NEAR((b.x - a.x) / (2 * h), st.vel.x, 1e-5);
            EXPECT_NEAR((b.y - a.y) / (2 * h), st.vel.y, 1e-5);
        }
        // the whole path lies in its hull
        const cp::PathHull hull = cp::path_hull(m);
        for (int k = 0; k <= 50; ++k) {
            const cp::Vec2 p = cp::motion_position(m, 1.5 + (m.t_stop - 1.5) * k / 50.0);
            EXPECT_LT(cp::distance_to_hull(hull, p), 1e-9);
            EXPECT_TRUE(cp::near_hull(hull, p, 1e-9));
        }
    }
}

TEST(PhysicsModel, ExitTimeIsTheFirstMomentOutOfPlay) {
    Rng rng(11);
    int exits = 0;
    for (int i = 0; i < 400; ++i) {
        const Vec2 p0{rng.uniform(-2.2, 2.2), rng.uniform(3.0, 12.0)};
        const double angle = rng.uniform(0, 6.283185307179586);
        const double v0 = rng.uniform(0.1, 4.0);
        cp::Motion m;
        ASSERT_TRUE(cp::make_motion(m, p0, Vec2{v0 * std::cos(angle), v0 * std::sin(angle)}, rng.uniform(-1, 1), 0.0));
        const cp::PathHull hull = cp::path_hull(m);
        int which = -1;
        const double t_exit = cp::exit_time(m, hull, &which);
        // sample the path: in play before the exit, out just after it
        double first_out = INFINITY;
        for (int k = 0; k <= 20000; ++k) {
            const double t = m.t_stop * k / 20000.0;
            if (!cp::inside_play(cp::motion_position(m, t))) {
                first_out = t;
                break;
            }
        }
        if (std::isinf(t_exit)) {
            EXPECT_TRUE(std::isinf(first_out)) << i;
            continue;
        }
        ++exits;
        EXPECT_LE(t_exit, first_out + 1e-9) << i;
        EXPECT_GT(t_exit, first_out - m.t_stop / 20000.0 - 1e-9) << i;
        EXPECT_FALSE(cp::inside_play(cp::motion_position(m, t_exit + 1e-7))) << i;
        EXPECT_TRUE(cp::inside_play(cp::motion_position(m, t_exit - 1e-7))) << i;
        EXPECT_GE(which, 0);
    }
    EXPECT_GT(exits, 50);
}
