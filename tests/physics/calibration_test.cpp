// The calibration table of the issue: each row a test, on an empty sheet
// with spread 0.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "curling_simulator.h"
#include "engine.h"
#include "motion.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;

namespace {

// Perpendicular distance of p from the line through the release point along
// the shot's initial direction.
double off_line(ShotVector shot, double x, double y) {
    const double len = std::hypot(shot.vx, shot.vy);
    const double dx = x - 2.375;
    const double dy = y - 33.226;
    return std::fabs(dx * shot.vy - dy * shot.vx) / len;
}

// Where the free path of a shot crosses y (internal coordinates).
cp::Vec2 crossing(const cp::Motion& m, double y) {
    double lo = m.t0;
    double hi = m.t_stop;
    for (int it = 0; it < 80; ++it) {
        const double mid = 0.5 * (lo + hi);
        if (cp::motion_position(m, mid).y > y) lo = mid;
        else hi = mid;
    }
    return cp::motion_position(m, hi);
}

// vx with which a shot of this vy passes through the tee.
float vx_through_tee(float vy, std::uint8_t spin) {
    float lo = -3.0f;
    float hi = 3.0f;
    for (int it = 0; it < 60; ++it) {
        const float mid = 0.5f * (lo + hi);
        const cp::Vec2 p = crossing(delivery(ShotVector{mid, vy, spin}), cp::TEE_Y);
        if (p.x > 0.0) hi = mid;
        else lo = mid;
    }
    return 0.5f * (lo + hi);
}

}  // namespace

TEST(PhysicsCalibration, StraightDrawToTheTeeNeedsAbout30Units) {
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        // independent of the shot makers: bisect the speed of a draw kept on
        // the centre line until it stops on the tee line
        float lo = 25.0f;
        float hi = 35.0f;
        float vx = 0.0f;
        for (int it = 0; it < 40; ++it) {
            const float vy = -0.5f * (lo + hi);
            vx = vx_to_centre(vy, spin);
            const StonePosition p = play_alone(ShotVector{vx, vy, spin});
            if (p.y == 0.0f || p.y < 4.88f) hi = -vy;
            else lo = -vy;
        }
        const float vy = -0.5f * (lo + hi);
        const double speed = std::hypot(vx, vy);
        EXPECT_GE(speed, 29.7);
        EXPECT_LE(speed, 30.1);
        // and the shot maker agrees
        ShotVector made{};
        ASSERT_EQ(CreateShot(ShotTarget{2.375f, 4.88f, spin}, &made), 1);
        EXPECT_NEAR(std::hypot(made.vx, made.vy), speed, 0.01);
        EXPECT_EQ(made.spin, spin);
    }
}

TEST(PhysicsCalibration, LastStoneRowsSpanTheHouse) {
    const float rows[] = {-30.680676f, -30.272512f, -29.96639f, -29.558226f, -29.456186f, -29.048021f};
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        float previous_y = -1.0f;
        for (float vy : rows) {
            const float vx = vx_to_centre(vy, spin);
            const StonePosition p = play_alone(ShotVector{vx, vy, spin});
            EXPECT_TRUE(in_house(p)) << "vy " << vy << " rests at " << p.x << ", " << p.y;
            EXPECT_NEAR(p.x, 2.375f, 1e-3);
            // slower rows stop shorter (at greater y)
            EXPECT_GT(p.y, previous_y) << vy;
            previous_y = p.y;
        }
    }
}

TEST(PhysicsCalibration, EarlyShotsAreCentreGuards) {
    for (ShotVector shot : {ShotVector{-0.8f, -28.0f, 0}, ShotVector{0.8f, -28.0f, 1}}) {
        const StonePosition p = play_alone(shot);
        EXPECT_FALSE(in_house(p));
        EXPECT_GT(p.y, 4.88f);
        EXPECT_LT(p.y, 11.281f);
        EXPECT_LT(std::fabs(p.x - 2.375f), 0.5f);
    }
}

TEST(PhysicsCalibration, DrawCurlsAboutAMetreMostlyNearItsEnd) {
    for (std::uint8_t spin = 0; spin < 2; ++spin) {
        ShotVector draw{};
        ASSERT_EQ(CreateShot(ShotTarget{2.375f, 4.88f, spin}, &draw), 1);
        const StonePosition p = play_alone(draw);
        const double curl = off_line(draw, p.x, p.y);
        EXPECT_GE(curl, 0.9);
        EXPECT_LE(curl, 1.5);
        // it curls toward +x with spin 0 and toward -x with spin 1
        EXPECT_EQ(draw.vx < 0.0f, spin == 0);
        // time to rest
        cp::Sheet sheet = empty_sheet();
        const cp::RunResult r =
            cp::run_shot(sheet, 0, cp::Vec2{draw.vx * 0.1, draw.vy * 0.1}, spin == 0 ? 1 : -1, cp::RunOptions{});
        EXPECT_GE(r.end_time, 15.0);
        EXPECT_LE(r.end_time, 30.0);
        // more than half of the curl comes in the last third of the path
        const cp::Motion m = delivery(draw);
        const double v_two_thirds = m.v0 * std::sqrt(1.0 / 3.0);  // a third of the path left
        const cp::Vec2 q = cp::motion_position_at_speed(m, v_two_thirds);
        EXPECT_LT(off_line(draw, q.x + 2.375, q.y), 0.5 * curl);
        // the share of the curl in the last 5 m and 10 m of the path, as the
        // README states it (a stone with L metres left moves at sqrt(2 a L))
        for (const auto& [metres, share] : {std::pair{5.0, 0.61}, std::pair{10.0, 0.81}}) {
            const cp::Vec2 p_left = cp::motion_position_at_speed(m, std::sqrt(2.0 * cp::DECEL * metres));
            const double curled = 1.0 - off_line(draw, p_left.x + 2.375, p_left.y) / curl;
            EXPECT_NEAR(curled, share, 0.01) << metres << " m";
        }
    }
}

TEST(PhysicsCalibration, TakeoutsLeavePlayRemoveTheTeeStoneAndCurlLittle) {
    for (float vy : {-40.0f, -48.78f}) {
        for (std::uint8_t spin = 0; spin < 2; ++spin) {
            const float vx = vx_through_tee(vy, spin);
            const ShotVector shot{vx, vy, spin};
            // empty sheet: out past the back line
            cp::Sheet sheet = empty_sheet();
            cp::run_shot(sheet, 0, cp::Vec2{vx * 0.1, vy * 0.1}, spin == 0 ? 1 : -1, cp::RunOptions{});
            EXPECT_EQ(sheet.slot[0], cp::Slot::REMOVED);
            EXPECT_EQ(sheet.removal[0], cp::Removal::BACK_LINE);
            const StonePosition alone = play_alone(shot);
            EXPECT_EQ(alone.x, 0.0f);
            EXPECT_EQ(alone.y, 0.0f);
            // a stone on the tee is taken out of the house
            GAMESTATE s = empty_state(1);
            s.stones[0] = StonePosition{2.375f, 4.88f};
            Simulation(&s, shot, 0.0f, 0, -1);
            EXPECT_FALSE(in_house(s.stones[0])) << vy << " " << int(spin);
            // curl by the tee line
            const cp::Vec2 at_tee = crossing(delivery(shot), cp::TEE_Y);
            EXPECT_LT(off_line(shot, at_tee.x + 2.375, at_tee.y), 0.4);
        }
    }
}

TEST(PhysicsCalibration, SpinOneIsTheExactMirrorOfSpinZero) {
    // empty sheet
    for (float vy : {-48.78f, -40.0f, -33.7419f, -30.272512f, -29.5582256f, -28.0f, -25.0f}) {
        for (float vx = -3.0f; vx <= 3.0f; vx += 0.25f) {
            const StonePosition a = play_alone(ShotVector{-vx, vy, 0});
            const StonePosition b = play_alone(ShotVector{vx, vy, 1});
            if (a.x == 0.0f && a.y == 0.0f) {
                EXPECT_EQ(b.x, 0.0f);
                EXPECT_EQ(b.y, 0.0f);
                continue;
            }
            EXPECT_EQ(b.x, 4.75f - a.x) << vx << " " << vy;
            EXPECT_EQ(b.y, a.y) << vx << " " << vy;
        }
    }
    // a house of stones laid out as mirror images of each other
    GAMESTATE left = empty_state(9);
    GAMESTATE right = empty_state(9);
    const double us[9] = {0.0, 0.3, -0.5, 0.9, 0.145, -1.2, 0.6, -0.29, 1.5};
    const float ys[9] = {4.88f, 5.3f, 4.1f, 6.2f, 7.5f, 5.0f, 3.6f, 4.88f, 8.8f};
    for (int k = 0; k < 9; ++k) {
        // mirror images exact in single precision: 4.75 - x is exact for x >= 2.375
        const float far = static_cast<float>(2.375 + std::fabs(us[k]));
        const float near = 4.75f - far;
        left.stones[k] = StonePosition{us[k] >= 0.0 ? far : near, ys[k]};
        right.stones[k] = StonePosition{us[k] >= 0.0 ? near : far, ys[k]};
    }
    for (float vy : {-48.78f, -40.0f, -31.0888386f, -29.96639f}) {
        for (float vx = -2.5f; vx <= 2.5f; vx += 0.125f) {
            GAMESTATE a = left;
            GAMESTATE b = right;
            Simulation(&a, ShotVector{-vx, vy, 0}, 0.0f, 0, -1);
            Simulation(&b, ShotVector{vx, vy, 1}, 0.0f, 0, -1);
            for (int k = 0; k < 16; ++k) {
                if (a.stones[k].x == 0.0f && a.stones[k].y == 0.0f) {
                    EXPECT_EQ(b.stones[k].x, 0.0f);
                    EXPECT_EQ(b.stones[k].y, 0.0f);
                } else {
                    EXPECT_EQ(b.stones[k].x, 4.75f - a.stones[k].x) << k << " " << vx << " " << vy;
                    EXPECT_EQ(b.stones[k].y, a.stones[k].y) << k << " " << vx << " " << vy;
                }
            }
        }
    }
}
