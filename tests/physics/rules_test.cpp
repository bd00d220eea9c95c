// Out-of-play rules at their edges, and the slots that take no part.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine.h"
#include "motion.h"
#include "sheet_io.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;
using cp::Vec2;

namespace {

// A straight (non-curling) shot to `rest` on an otherwise empty sheet.
cp::Sheet straight_to(Vec2 rest, cp::RunResult* result = nullptr) {
    cp::Sheet sheet = empty_sheet();
    const cp::RunResult r = cp::run_shot(sheet, 0, straight_velocity_to(rest), 0, cp::RunOptions{});
    if (result != nullptr) *result = r;
    return sheet;
}

}  // namespace

TEST(PhysicsRules, BackLineRemovesOnlyAStoneCompletelyOverIt) {
    // y + R < 3.051 is completely over: 2.906 is the edge
    cp::Sheet in = straight_to(Vec2{0.0, cp::MIN_Y + 1e-6});
    EXPECT_EQ(in.slot[0], cp::Slot::IN_PLAY);
    EXPECT_NEAR(in.pos[0].y, cp::MIN_Y + 1e-6, 1e-8);
    cp::Sheet out = straight_to(Vec2{0.0, cp::MIN_Y - 1e-6});
    EXPECT_EQ(out.slot[0], cp::Slot::REMOVED);
    EXPECT_EQ(out.removal[0], cp::Removal::BACK_LINE);
    // resting stones given to Simulation: 2.906 takes part, just below does not
    EXPECT_TRUE(cp::takes_part(StonePosition{2.375f, 2.9061f}));
    EXPECT_FALSE(cp::takes_part(StonePosition{2.375f, 2.9059f}));
}

TEST(PhysicsRules, SideLineRemovesATouchingStone) {
    // touching: x - R <= 0 or x + R >= 4.75
    for (double side : {-1.0, 1.0}) {
        cp::Sheet in = straight_to(Vec2{side * (cp::MAX_ABS_U - 1e-6), 8.0});
        EXPECT_EQ(in.slot[0], cp::Slot::IN_PLAY) << side;
        cp::Sheet out = straight_to(Vec2{side * (cp::MAX_ABS_U + 1e-6), 8.0});
        EXPECT_EQ(out.slot[0], cp::Slot::REMOVED) << side;
        EXPECT_EQ(out.removal[0], cp::Removal::SIDE_LINE) << side;
    }
    EXPECT_FALSE(cp::takes_part(StonePosition{0.145f, 5.0f}));
    EXPECT_TRUE(cp::takes_part(StonePosition{0.1451f, 5.0f}));
    EXPECT_FALSE(cp::takes_part(StonePosition{4.605f, 5.0f}));
    EXPECT_TRUE(cp::takes_part(StonePosition{4.6049f, 5.0f}));
}

TEST(PhysicsRules, AStoneThatTouchesASideLineIsRemovedAtOnceEvenIfItWouldCurlBack) {
    // spin 0 curls toward +x: thrown out to the left edge, it would curl
    // back in, but it touched the line on the way
    int found = 0;
    for (float vx = -4.0f; vx < -2.0f; vx += 0.01f) {
        const ShotVector shot{vx, -29.5f, 0};
        cp::Motion m;
        cp::make_motion(m, Vec2{0.0, cp::RELEASE_Y}, Vec2{vx * 0.1, -2.95}, 1.0, 0.0);
        double min_u = 0.0;
        for (double t = 0.0; t < m.t_stop; t += 0.01) min_u = std::fmin(min_u, cp::motion_position(m, t).x);
        if (std::fabs(m.rest.x) < cp::MAX_ABS_U && min_u < -cp::MAX_ABS_U - 0.01) {
            ++found;
            const StonePosition p = play_alone(shot);
            EXPECT_EQ(p.x, 0.0f) << vx;
            EXPECT_EQ(p.y, 0.0f) << vx;
        }
    }
    EXPECT_GT(found, 0);
}

TEST(PhysicsRules, HogLineRemovesADeliveredStoneShortOfItThatHitNothing) {
    // completely crossed: y + R < 11.281
    cp::Sheet over = straight_to(Vec2{0.0, cp::HOG_CLEAR_Y - 1e-6});
    EXPECT_EQ(over.slot[0], cp::Slot::IN_PLAY);
    cp::Sheet on = straight_to(Vec2{0.0, cp::HOG_CLEAR_Y + 1e-6});
    EXPECT_EQ(on.slot[0], cp::Slot::REMOVED);
    EXPECT_EQ(on.removal[0], cp::Removal::HOG_LINE);
    // a stone struck back beyond the hog line stays in play, and so does the
    // delivered stone that hit it
    cp::Sheet sheet = empty_sheet();
    sheet.slot[0] = cp::Slot::IN_PLAY;
    sheet.pos[0] = Vec2{0.0, 20.0};
    const Vec2 vel = straight_velocity_to(Vec2{0.0, 19.0});
    const cp::RunResult r = cp::run_shot(sheet, 1, vel, 0, cp::RunOptions{});
    EXPECT_TRUE(r.delivered_hit);
    EXPECT_EQ(sheet.slot[0], cp::Slot::IN_PLAY);
    EXPECT_EQ(sheet.slot[1], cp::Slot::IN_PLAY);
    EXPECT_GT(sheet.pos[1].y, cp::HOG_CLEAR_Y);
    // and a plain short shot through Simulation leaves an empty slot
    const StonePosition p = play_alone(ShotVector{0.0f, -20.0f, 0});
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
}

TEST(PhysicsRules, SlotsThatTakeNoPartAreLeftAsTheyAre) {
    GAMESTATE s = empty_state(6);
    s.stones[0] = StonePosition{0.0f, 0.0f};
    s.stones[1] = StonePosition{std::nanf(""), 5.0f};
    s.stones[2] = StonePosition{2.375f, INFINITY};
    s.stones[3] = StonePosition{0.1f, 4.88f};    // over the side line
    s.stones[4] = StonePosition{2.375f, 1.0f};   // behind the back line
    s.stones[5] = StonePosition{0.0f, 4.88f};    // x = 0: the player's empty marker
    s.stones[7] = StonePosition{2.375f, 4.88f};  // a stone in play, in the way
    GAMESTATE before = s;
    ShotVector hit{};
    ASSERT_EQ(CreateHitShot(ShotTarget{2.375f, 4.88f, 0}, 16.0f, &hit), 1);
    Simulation(&s, hit, 0.0f, 0, -1);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(std::memcmp(&s.stones[k], &before.stones[k], sizeof(StonePosition)), 0) << k;
    }
    EXPECT_FALSE(in_house(s.stones[7]));  // taken out
    EXPECT_TRUE(in_house(s.stones[6]));   // the shooter stays near the tee
}

TEST(PhysicsRules, StonesTheShotNeverReachesKeepTheirExactBits) {
    // Resting stones in play all over the sheet, far from a draw that stops
    // short of them; clockwise shots are played in the mirrored frame, which
    // must not round the stones' x on the way back.
    int compared = 0;
    for (std::uint8_t spin : {std::uint8_t{0}, std::uint8_t{1}}) {
        for (int i = 0; i < 200; ++i) {
            GAMESTATE s = empty_state(0);
            for (int k = 1; k < 16; ++k) {
                const float x = 0.2f + 4.35f * static_cast<float>((i * 15 + k) % 997) / 997.0f;
                s.stones[k] = StonePosition{x, 3.0f + 0.1f * static_cast<float>(k)};
            }
            const GAMESTATE before = s;
            ASSERT_EQ(Simulation(&s, ShotVector{0.0f, -27.0f, spin}, 0.0f, 0, -1), 1);
            ASSERT_GT(s.stones[0].y, 8.0f);  // rested well short of them
            for (int k = 1; k < 16; ++k, ++compared) {
                EXPECT_EQ(std::memcmp(&s.stones[k], &before.stones[k], sizeof(StonePosition)), 0)
                    << "spin " << int(spin) << " x " << before.stones[k].x << " became " << s.stones[k].x;
            }
        }
    }
    EXPECT_EQ(compared, 2 * 200 * 15);
}

TEST(PhysicsRules, AStoneRestingOnAnEdgeOfPlayIsNotRoundedOutOfIt) {
    // Positions a hair inside each edge, in both frames: the record keeps
    // them in play, and mirror images stay exact.
    for (int i = 1; i <= 2000; ++i) {
        const double in = 1e-10 * i;
        for (const Vec2 p : {Vec2{cp::MAX_ABS_U - in, 4.0}, Vec2{-cp::MAX_ABS_U + in, 4.0},
                             Vec2{0.3, cp::MIN_Y + in}, Vec2{-1.0, cp::MAX_Y - in}}) {
            for (bool mirror : {false, true}) {
                const StonePosition r = cp::record_position(p, mirror);
                EXPECT_TRUE(cp::takes_part(r)) << p.x << " " << p.y << " became " << r.x << " " << r.y;
                const StonePosition m = cp::record_position(Vec2{-p.x, p.y}, mirror);
                EXPECT_EQ(m.x, 4.75f - r.x);
                EXPECT_EQ(m.y, r.y);
                EXPECT_LE(std::fabs(static_cast<double>(mirror ? 4.75f - r.x : r.x) - cp::CENTRE_X - p.x), 1e-6);
            }
        }
    }
    // Shots whose stones come to rest against a side line: each is either
    // removed or left where the next shot still sees it in play.
    const ShotVector edge_shots[] = {{1.19999981f, -30.79632f, 0}, {1.23000002f, -30.4243145f, 0},
                                     {1.25999975f, -30.0610714f, 0}, {-1.25999999f, -30.0610695f, 1}};
    for (const ShotVector& shot : edge_shots) {
        const StonePosition p = play_alone(shot);
        EXPECT_TRUE((p.x == 0.0f && p.y == 0.0f) || cp::takes_part(p)) << p.x << " " << p.y;
    }
}
