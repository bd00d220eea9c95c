// The shot makers: round trips through Simulation, unreachable targets,
// hits.
#include <gtest/gtest.h>

#include <cmath>

#include "curling_simulator.h"
#include "engine.h"
#include "motion.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;

namespace {

bool in_play_position(StonePosition p) { return !(p.x == 0.0f && p.y == 0.0f); }

}  // namespace

TEST(PhysicsShots, CreateShotRoundTripsToWithinACentimetre) {
    double worst = 0.0;
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        for (float y = 3.0f; y < 11.1f; y += 0.25f) {
            for (float x = 0.3f; x < 4.5f; x += 0.2f) {
                ShotVector shot{};
                const int32_t r = CreateShot(ShotTarget{x, y, spin}, &shot);
                EXPECT_EQ(shot.spin, spin);
                const StonePosition p = play_alone(shot);
                ASSERT_TRUE(in_play_position(p)) << x << " " << y << " " << int(spin);
                if (r == 1) {
                    const double miss = std::hypot(p.x - x, p.y - y);
                    worst = std::fmax(worst, miss);
                    EXPECT_LT(miss, 0.01) << x << " " << y << " " << int(spin);
                }
            }
        }
    }
    EXPECT_LT(worst, 1e-4);  // in fact within a tenth of a millimetre
}

TEST(PhysicsShots, UnreachableTargetsGiveTheNearestReachableShot) {
    struct Target {
        float x, y;
    };
    const Target targets[] = {{2.375f, 2.0f},   {2.375f, 12.0f}, {2.375f, 40.0f}, {-3.0f, 5.0f},
                              {9.0f, 6.0f},     {0.1f, 4.0f},    {4.7f, 10.0f},   {0.16f, 5.0f},
                              {4.59f, 3.0f},    {2.375f, 11.2f}};
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        for (const Target& t : targets) {
            ShotVector shot{};
            const int32_t r = CreateShot(ShotTarget{t.x, t.y, spin}, &shot);
            const StonePosition p = play_alone(shot);
            EXPECT_TRUE(in_play_position(p)) << t.x << " " << t.y;
            if (r == 0) {
                // the nearest reachable: within the limits, on the near side
                EXPECT_LT(std::fabs(p.y - std::fmin(std::fmax(t.y, 2.906f), 11.136f)), 0.01) << t.x << " " << t.y;
            } else {
                EXPECT_LT(std::hypot(p.x - t.x, p.y - t.y), 0.01);
            }
        }
    }
    // a target beyond reach returns 0
    ShotVector shot{};
    EXPECT_EQ(CreateShot(ShotTarget{2.375f, 2.0f, 0}, &shot), 0);
    EXPECT_EQ(CreateShot(ShotTarget{2.375f, 12.0f, 1}, &shot), 0);
    EXPECT_EQ(CreateShot(ShotTarget{2.375f, 4.88f, 0}, nullptr), -1);
}

TEST(PhysicsShots, TargetsOnTheEdgesOfReachKeepTheirPromise) {
    // Targets within a few single-precision steps inside a limit of reach
    // (the hog line, the back line, the side lines): a shot reported
    // reachable rests in play at the target; the nearest reachable shot
    // given instead rests in play too. The solver's own error (the shot and
    // the result rounded to single precision) is a few micrometres.
    struct Edge {
        float x, y;    // a point on the limit
        float dx, dy;  // inward, one float step at a time
    };
    const Edge edges[] = {{2.906f, 11.136f, 0.0f, -1.0f}, {0.3f, 11.136f, 0.0f, -1.0f}, {4.4f, 11.136f, 0.0f, -1.0f},
                          {0.145f, 11.136f, 1.0f, -1.0f}, {2.375f, 2.906f, 0.0f, 1.0f},   {1.2f, 2.906f, 0.0f, 1.0f},
                          {0.145f, 3.5f, 1.0f, 0.0f},     {0.145f, 6.0f, 1.0f, 0.0f},     {4.605f, 4.88f, -1.0f, 0.0f},
                          {4.605f, 9.0f, -1.0f, 0.0f}};
    int reachable = 0;
    for (const Edge& e : edges) {
        for (std::uint8_t spin = 0; spin < 2; ++spin) {
            float x = e.x;
            float y = e.y;
            for (int step = 0; step < 40; ++step) {
                ShotVector shot{};
                const int32_t r = CreateShot(ShotTarget{x, y, spin}, &shot);
                const StonePosition p = play_alone(shot);
                if (!in_play_position(p)) {
                    ADD_FAILURE() << "removed: (" << x << ", " << y << ", " << int(spin) << ") returned " << r;
                } else if (r == 1) {
                    ++reachable;
                    EXPECT_LT(std::hypot(p.x - x, p.y - y), 1e-4) << x << " " << y << " " << int(spin);
                }
                if (e.dx != 0.0f) x = std::nextafter(x, e.dx > 0.0f ? 5.0f : 0.0f);
                if (e.dy != 0.0f) y = std::nextafter(y, e.dy > 0.0f ? 12.0f : 0.0f);
            }
        }
    }
    EXPECT_GT(reachable, 0);
}

TEST(PhysicsShots, CreateHitShotPassesThroughTheTargetAtTheStrength) {
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        for (float strength : {0.0f, 5.0f, 10.0f, 16.0f, 25.0f, 40.0f}) {
            for (float y = 3.5f; y < 9.0f; y += 0.5f) {
                for (float x = 1.0f; x < 3.8f; x += 0.4f) {
                    ShotVector shot{};
                    ASSERT_EQ(CreateHitShot(ShotTarget{x, y, spin}, strength, &shot), 1);
                    const cp::Motion m = delivery(shot);
                    // nearest point of the path to the target
                    double best = 1e9;
                    double best_t = 0.0;
                    for (double t = 0.0; t < m.t_stop; t += 0.01) {
                        const cp::Vec2 p = cp::motion_position(m, t);
                        const double d = std::hypot(p.x + 2.375 - x, p.y - y);
                        if (d < best) {
                            best = d;
                            best_t = t;
                        }
                    }
                    for (double h = 0.005; h > 1e-9; h *= 0.5) {
                        for (double t : {best_t - h, best_t + h}) {
                            const cp::Vec2 p = cp::motion_position(m, t);
                            const double d = std::hypot(p.x + 2.375 - x, p.y - y);
                            if (d < best) {
                                best = d;
                                best_t = t;
                            }
                        }
                    }
                    EXPECT_LT(best, 0.01);
                    const double speed = m.v0 - cp::DECEL * best_t;
                    EXPECT_NEAR(speed * 10.0, strength, 0.05) << x << " " << y;
                }
            }
        }
    }
}

TEST(PhysicsShots, FullHitRemovesAndSoftHitMovesAStoneOnTheTarget) {
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        for (float y = 3.2f; y < 6.8f; y += 0.3f) {
            for (float x = 0.6f; x < 4.2f; x += 0.3f) {
                const StonePosition target{x, y};
                if (!in_house(target)) continue;
                GAMESTATE s = empty_state(5);
                s.stones[2] = target;
                ShotVector full{};
                ASSERT_EQ(CreateHitShot(ShotTarget{x, y, spin}, 16.0f, &full), 1);
                GAMESTATE a = s;
                Simulation(&a, full, 0.0f, 0, -1);
                EXPECT_FALSE(in_house(a.stones[2])) << x << " " << y << " " << int(spin);
                ShotVector soft{};
                ASSERT_EQ(CreateHitShot(ShotTarget{x, y, spin}, 10.0f, &soft), 1);
                GAMESTATE b = s;
                Simulation(&b, soft, 0.0f, 0, -1);
                const bool removed = b.stones[2].x == 0.0f && b.stones[2].y == 0.0f;
                EXPECT_TRUE(removed || std::hypot(b.stones[2].x - x, b.stones[2].y - y) > 1.0)
                    << x << " " << y << " " << int(spin);
            }
        }
    }
}

TEST(PhysicsShots, HostileHitArgumentsStillGiveAShot) {
    ShotVector shot{};
    for (float strength : {-5.0f, std::nanf(""), INFINITY, -INFINITY, 1e30f, 200.0f}) {
        EXPECT_EQ(CreateHitShot(ShotTarget{2.375f, 4.88f, 0}, strength, &shot), 0);
        EXPECT_TRUE(std::isfinite(shot.vx) && std::isfinite(shot.vy));
        EXPECT_LE(std::hypot(shot.vx, shot.vy), 100.001f);
    }
    for (ShotTarget t : {ShotTarget{std::nanf(""), 4.88f, 0}, ShotTarget{2.375f, -INFINITY, 1},
                         ShotTarget{1e30f, 1e30f, 0}, ShotTarget{2.375f, 40.0f, 1}}) {
        EXPECT_EQ(CreateHitShot(t, 16.0f, &shot), 0);
        EXPECT_TRUE(std::isfinite(shot.vx) && std::isfinite(shot.vy));
        EXPECT_EQ(CreateShot(t, &shot), 0);
        EXPECT_TRUE(std::isfinite(shot.vx) && std::isfinite(shot.vy));
        EXPECT_TRUE(in_play_position(play_alone(shot)));
    }
    EXPECT_EQ(CreateHitShot(ShotTarget{2.375f, 4.88f, 0}, 16.0f, nullptr), -1);
}
