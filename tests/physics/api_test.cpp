// The binary contract: record layouts, exported symbols, the effect of
// Simulation on the record.
#include <gtest/gtest.h>

#include <cstddef>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "curling_simulator.h"
#include "simulator/library_loader.h"
#include "simulator/simulator_loader.h"
#include "support.h"

using namespace physics_test;

TEST(PhysicsApi, LibraryExportsTheEntryPointsAndHidesTheRest) {
    const SimulatorLoad load = load_simulator_at(CURLING_SIMULATOR_PATH);
    ASSERT_TRUE(load.loaded) << load.error;
    EXPECT_NE(load.api.SeedNoise, nullptr);
    EXPECT_NE(load.api.SimulateTrajectory, nullptr);
    EXPECT_NE(load.api.ApplyFreeGuardZone, nullptr);
    // internals are not visible
    std::string error;
    void* lib = open_library(CURLING_SIMULATOR_PATH, error);
    ASSERT_NE(lib, nullptr) << error;
    EXPECT_EQ(find_library_symbol(
                  lib, "_ZN7curling7physics8run_shotERNS0_5SheetEiNS0_4Vec2EiRKNS0_10RunOptionsE"),
              nullptr);
    GAMESTATE s = empty_state(0);
    EXPECT_EQ(load.api.Simulation(&s, ShotVector{-1.08f, -29.9f, 0}, 0.0f, 0, -1), 1);
    EXPECT_TRUE(in_house(s.stones[0]));
}

TEST(PhysicsApi, SimulationAdvancesShotAndSideAndNothingElse) {
    GAMESTATE s = empty_state(4);
    s.current_end = 3;
    s.last_end = 7;
    for (int k = 0; k < 10; ++k) s.end_scores[k] = k - 4;
    s.moving_side = 1;
    s.stones[0] = StonePosition{2.375f, 4.88f};
    s.stones[1] = StonePosition{1.5f, 6.0f};
    s.stones[2] = StonePosition{3.0f, 8.0f};
    GAMESTATE before = s;
    EXPECT_EQ(Simulation(&s, ShotVector{-1.1f, -29.0f, 0}, 0.0f, 0, -1), 1);
    EXPECT_EQ(s.shot_number, 5);
    EXPECT_EQ(s.moving_side, 0);
    EXPECT_EQ(s.current_end, 3);
    EXPECT_EQ(s.last_end, 7);
    EXPECT_EQ(std::memcmp(s.end_scores, before.end_scores, sizeof s.end_scores), 0);
    // slots 5..15 were empty and stay empty; the thrown stone 4 is somewhere
    for (int k = 5; k < 16; ++k) {
        EXPECT_EQ(s.stones[k].x, 0.0f);
        EXPECT_EQ(s.stones[k].y, 0.0f);
    }
    EXPECT_NE(s.stones[4].x, 0.0f);
    // moving_side flips back
    EXPECT_EQ(Simulation(&s, ShotVector{-1.1f, -29.0f, 0}, 0.0f, 0, -1), 1);
    EXPECT_EQ(s.moving_side, 1);
    EXPECT_EQ(s.shot_number, 6);
}

TEST(PhysicsApi, ShotNumberOutOfRangeMovesNothing) {
    for (int n : {-1, 16, 17, 1000, -2147483647 - 1}) {
        GAMESTATE s = empty_state(n);
        s.stones[0] = StonePosition{2.375f, 4.88f};
        const GAMESTATE before = s;
        EXPECT_EQ(Simulation(&s, ShotVector{0.0f, -40.0f, 0}, 0.0f, 0, -1), 0);
        EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
    }
}

TEST(PhysicsApi, ReservedMustBeZeroAndLimitStopsThePlay) {
    GAMESTATE s = empty_state(0);
    const GAMESTATE before = s;
    EXPECT_EQ(Simulation(&s, ShotVector{-1.08f, -29.9f, 0}, 0.0f, 1, -1), -2);
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);
    EXPECT_EQ(Simulation(nullptr, ShotVector{-1.08f, -29.9f, 0}, 0.0f, 0, -1), -1);
    // a limit of 5 s leaves the stone on its way, 5 s of travel from the release
    GAMESTATE cut = empty_state(0);
    EXPECT_EQ(Simulation(&cut, ShotVector{0.0f, -30.0f, 0}, 0.0f, 0, 5000), 2);
    const double travelled = 33.226 - cut.stones[0].y;
    EXPECT_NEAR(travelled, 3.0 * 5.0 - 0.5 * 0.1575 * 25.0, 5e-3);
    EXPECT_EQ(cut.shot_number, 1);
    // limit 0: the stone has not moved (and is not removed by the hog rule)
    GAMESTATE zero = empty_state(0);
    EXPECT_EQ(Simulation(&zero, ShotVector{0.0f, -30.0f, 0}, 0.0f, 0, 0), 2);
    EXPECT_FLOAT_EQ(zero.stones[0].x, 2.375f);
    EXPECT_FLOAT_EQ(zero.stones[0].y, 33.226f);
    // a long limit changes nothing
    GAMESTATE a = empty_state(0);
    GAMESTATE b = empty_state(0);
    EXPECT_EQ(Simulation(&a, ShotVector{-1.08f, -29.9f, 0}, 0.0f, 0, -1), 1);
    EXPECT_EQ(Simulation(&b, ShotVector{-1.08f, -29.9f, 0}, 0.0f, 0, 100000), 1);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(PhysicsApi, SpreadAddsSeededNoise) {
    auto play = [](float spread) {
        GAMESTATE s = empty_state(0);
        Simulation(&s, ShotVector{-1.08f, -29.9f, 0}, spread, 0, -1);
        return s.stones[0];
    };
    const StonePosition exact = play(0.0f);
    SeedNoise(42);
    const StonePosition n1 = play(0.145f);
    const StonePosition n2 = play(0.145f);
    SeedNoise(42);
    const StonePosition n3 = play(0.145f);
    EXPECT_TRUE(n1.x != exact.x || n1.y != exact.y);
    EXPECT_TRUE(n1.x != n2.x || n1.y != n2.y);
    EXPECT_EQ(n1.x, n3.x);
    EXPECT_EQ(n1.y, n3.y);
    // spread 0, negative or NaN adds nothing
    for (float s : {0.0f, -1.0f, std::nanf("")}) {
        const StonePosition p = play(s);
        EXPECT_EQ(p.x, exact.x);
        EXPECT_EQ(p.y, exact.y);
    }
}

TEST(PhysicsApi, TrajectoryEndsWhereSimulationEnds) {
    GAMESTATE s = empty_state(1);
    s.stones[0] = StonePosition{2.375f, 4.88f};
    ShotVector hit{};
    ASSERT_EQ(CreateHitShot(ShotTarget{2.375f, 4.88f, 1}, 16.0f, &hit), 1);
    GAMESTATE played = s;
    ASSERT_EQ(Simulation(&played, hit, 0.0f, 0, -1), 1);
    std::vector<StonePosition> frames(16 * 1000);
    const int32_t n = SimulateTrajectory(&s, hit, 0.0f, 0, 0.05f, frames.data(), 1000);
    ASSERT_GT(n, 100);
    EXPECT_EQ(std::memcmp(&frames[16 * (n - 1)], played.stones, sizeof played.stones), 0);
    // frame 0: the thrown stone at the release point, stone 0 on the tee
    EXPECT_FLOAT_EQ(frames[1].x, 2.375f);
    EXPECT_FLOAT_EQ(frames[1].y, 33.226f);
    EXPECT_FLOAT_EQ(frames[0].y, 4.88f);
    // the state itself is unchanged
    EXPECT_EQ(s.shot_number, 1);
    // few frames: the final one is still last
    const int32_t m = SimulateTrajectory(&s, hit, 0.0f, 0, 0.05f, frames.data(), 3);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(std::memcmp(&frames[16 * 2], played.stones, sizeof played.stones), 0);
    EXPECT_EQ(SimulateTrajectory(&s, hit, 0.0f, 0, 0.0f, frames.data(), 3), -2);
    EXPECT_EQ(SimulateTrajectory(&s, hit, 0.0f, 0, std::nanf(""), frames.data(), 3), -2);
    EXPECT_EQ(SimulateTrajectory(nullptr, hit, 0.0f, 0, 0.05f, frames.data(), 3), -1);
    EXPECT_EQ(SimulateTrajectory(&s, hit, 0.0f, 0, 0.05f, frames.data(), 0), -1);
}
