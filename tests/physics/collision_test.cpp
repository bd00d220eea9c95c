// Collision invariants: momentum, energy, the right-angle split, the nose
// hit, the throw, frozen stones.
#include <gtest/gtest.h>

#include <cmath>

#include "collision.h"
#include "engine.h"
#include "motion.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;
using cp::Vec2;

namespace {

// kinetic energy per unit mass: v^2 / 2 + I w^2 / (2 m), I = m R^2 / 2
double energy(const cp::Body& b) {
    return 0.5 * (b.v.x * b.v.x + b.v.y * b.v.y) +
           0.25 * cp::STONE_RADIUS * cp::STONE_RADIUS * b.w * b.w;
}

}  // namespace

TEST(PhysicsCollision, MomentumIsConservedAndEnergyNeverRises) {
    Rng rng(7);
    const int n = cases(20000, 2000);
    for (int i = 0; i < n; ++i) {
        cp::Body a{{rng.uniform(-5, 5), rng.uniform(-5, 5)}, rng.uniform(-4, 4)};
        cp::Body b{{rng.uniform(-5, 5), rng.uniform(-5, 5)}, rng.uniform(-4, 4)};
        const double angle = rng.uniform(0, 6.283185307179586);
        const Vec2 nrm{std::cos(angle), std::sin(angle)};
        const cp::ContactParams params{rng.uniform(0.0, 1.0), rng.uniform(0.0, 0.3)};
        const double e0 = energy(a) + energy(b);
        const Vec2 p0{a.v.x + b.v.x, a.v.y + b.v.y};
        // angular momentum about the contact point, per unit mass
        const double l0 = 0.5 * cp::STONE_RADIUS * cp::STONE_RADIUS * (a.w + b.w) +
                          cp::STONE_RADIUS * (cp::cross(Vec2{-nrm.x, -nrm.y}, a.v) + cp::cross(nrm, b.v));
        const bool applied = cp::contact_impulse(a, b, nrm, params);
        const double e1 = energy(a) + energy(b);
        EXPECT_NEAR(a.v.x + b.v.x, p0.x, 1e-12);
        EXPECT_NEAR(a.v.y + b.v.y, p0.y, 1e-12);
        const double l1 = 0.5 * cp::STONE_RADIUS * cp::STONE_RADIUS * (a.w + b.w) +
                          cp::STONE_RADIUS * (cp::cross(Vec2{-nrm.x, -nrm.y}, a.v) + cp::cross(nrm, b.v));
        EXPECT_NEAR(l1, l0, 1e-12);
        EXPECT_LE(e1, e0 + 1e-12);
        if (applied) {
            // the contact points no longer approach
            EXPECT_LE((a.v.x - b.v.x) * nrm.x + (a.v.y - b.v.y) * nrm.y, 1e-12);
        }
    }
}

TEST(PhysicsCollision, FrictionlessElasticGlancingHitSplitsAtRightAngles) {
    const cp::ContactParams ideal{1.0, 0.0};
    for (double deg = 5.0; deg < 85.0; deg += 5.0) {
        const double a = deg * 3.14159265358979323846 / 180.0;
        cp::Body shooter{{0.0, -2.0}, 1.3};
        cp::Body target{{0.0, 0.0}, 0.0};
        const Vec2 nrm{std::sin(a), -std::cos(a)};  // line of centres, `a` off the path
        ASSERT_TRUE(cp::contact_impulse(shooter, target, nrm, ideal));
        EXPECT_NEAR(cp::dot(shooter.v, target.v), 0.0, 1e-12);
        // the struck stone leaves along the line of centres
        EXPECT_NEAR(cp::cross(target.v, nrm), 0.0, 1e-12);
        EXPECT_NEAR(cp::norm(target.v), 2.0 * std::cos(a), 1e-12);
        EXPECT_NEAR(cp::norm(shooter.v), 2.0 * std::sin(a), 1e-12);
    }
}

TEST(PhysicsCollision, NoseHitLeavesTheShooterAFewPercent) {
    cp::Body shooter{{0.0, -2.0}, 0.0};
    cp::Body target{{0.0, 0.0}, 0.0};
    ASSERT_TRUE(cp::contact_impulse(shooter, target, Vec2{0.0, -1.0}, cp::ContactParams{}));
    EXPECT_NEAR(shooter.v.y, -2.0 * (1.0 - cp::RESTITUTION) / 2.0, 1e-12);
    EXPECT_NEAR(target.v.y, -2.0 * (1.0 + cp::RESTITUTION) / 2.0, 1e-12);
    EXPECT_NEAR(shooter.v.x, 0.0, 1e-15);

    // the same in a whole shot: a straight stone at 0.7 m/s hits a stone on
    // the tee full; the struck one slides 0.95^2 as far as the shooter would
    cp::Sheet sheet = empty_sheet();
    sheet.slot[0] = cp::Slot::IN_PLAY;
    sheet.pos[0] = Vec2{0.0, cp::TEE_Y};
    const double d = cp::RELEASE_Y - (cp::TEE_Y + 2.0 * cp::STONE_RADIUS);
    const double v0 = std::sqrt(0.49 + 2.0 * cp::DECEL * d);
    const cp::RunResult r = cp::run_shot(sheet, 1, Vec2{0.0, -v0}, 0, cp::RunOptions{});
    EXPECT_TRUE(r.delivered_hit);
    const double vt = 0.7 * (1.0 + cp::RESTITUTION) / 2.0;
    const double vs = 0.7 * (1.0 - cp::RESTITUTION) / 2.0;
    ASSERT_EQ(sheet.slot[0], cp::Slot::IN_PLAY);
    EXPECT_NEAR(sheet.pos[0].y, cp::TEE_Y - vt * vt / (2.0 * cp::DECEL), 1e-6);
    EXPECT_NEAR(sheet.pos[1].y, cp::TEE_Y + 2.0 * cp::STONE_RADIUS - vs * vs / (2.0 * cp::DECEL), 1e-6);
}

TEST(PhysicsCollision, FrictionThrowsTheStruckStoneAFewDegreesAndExchangesSpin) {
    // a spinning shooter hits a resting stone full: the stone leaves a little
    // off the line of centres, turning the other way
    cp::Body shooter{{0.0, -2.0}, 1.3};
    cp::Body target{{0.0, 0.0}, 0.0};
    ASSERT_TRUE(cp::contact_impulse(shooter, target, Vec2{0.0, -1.0}, cp::ContactParams{}));
    const double throw_deg = std::atan2(std::fabs(target.v.x), -target.v.y) * 180.0 / 3.14159265358979323846;
    EXPECT_GT(throw_deg, 0.1);
    EXPECT_LT(throw_deg, 3.0);
    EXPECT_LT(target.w, 0.0);  // geared against the shooter's counter-clockwise turn
    EXPECT_LT(shooter.w, 1.3);
}

TEST(PhysicsCollision, FrozenStonesPassTheHitOn) {
    // A hits B, which is frozen to C, which is frozen to D, all in a line.
    cp::Body bodies[4] = {{{0.0, -2.0}, 0.0}, {{0.0, 0.0}, 0.0}, {{0.0, 0.0}, 0.0}, {{0.0, 0.0}, 0.0}};
    const cp::ContactPair pairs[3] = {{0, 1, {0.0, -1.0}}, {1, 2, {0.0, -1.0}}, {2, 3, {0.0, -1.0}}};
    bool touched[4] = {};
    const int n = cp::resolve_contacts(bodies, pairs, 3, cp::ContactParams{}, touched, 512);
    EXPECT_GT(n, 3);
    double py = 0.0;
    double e = 0.0;
    for (const cp::Body& b : bodies) {
        py += b.v.y;
        e += energy(b);
    }
    EXPECT_NEAR(py, -2.0, 1e-12);
    EXPECT_LE(e, 2.0);
    // nothing approaches any more; the last stone carries most of the hit
    for (const cp::ContactPair& p : pairs) {
        EXPECT_LE(bodies[p.a].v.y * p.n.y - bodies[p.b].v.y * p.n.y, 1e-12);
    }
    EXPECT_LT(bodies[3].v.y, -1.5);
    EXPECT_GT(bodies[0].v.y, -0.2);

    // and in a whole shot: two frozen stones on the centre line
    cp::Sheet sheet = empty_sheet();
    sheet.slot[0] = cp::Slot::IN_PLAY;
    sheet.pos[0] = Vec2{0.0, cp::TEE_Y};
    sheet.slot[1] = cp::Slot::IN_PLAY;
    sheet.pos[1] = Vec2{0.0, static_cast<double>(static_cast<float>(cp::TEE_Y + 0.29))};
    const double d = cp::RELEASE_Y - (sheet.pos[1].y + 2.0 * cp::STONE_RADIUS);
    const double v0 = std::sqrt(0.64 + 2.0 * cp::DECEL * d);
    cp::run_shot(sheet, 2, Vec2{0.0, -v0}, 0, cp::RunOptions{});
    // the back stone moves most, the front ones little
    ASSERT_EQ(sheet.slot[0], cp::Slot::IN_PLAY);
    EXPECT_LT(sheet.pos[0].y, cp::TEE_Y - 1.0);
    EXPECT_GT(sheet.pos[1].y, cp::TEE_Y + 0.2);
    EXPECT_GT(sheet.pos[2].y - sheet.pos[1].y, 2.0 * cp::STONE_RADIUS - 1e-6);
}
