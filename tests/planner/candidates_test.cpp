// Candidate shots on the real physics: a stone that gets no hit can never
// be removed, and a draw that lands elsewhere than meant mislabels the plan.
#include <gtest/gtest.h>

#include <cmath>

#include "candidates.h"
#include "random.h"
#include "sheet.h"

namespace {

using namespace planner;

const SimulatorApi& physics() {
    static const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    return load.api;
}

TEST(Candidates, EveryStoneInPlayGetsAHitThatMovesIt) {
    ASSERT_NE(physics().Simulation, nullptr);
    GAMESTATE state{};
    state.shot_number = 9;
    const StonePosition stones[] = {{2.375f, 4.88f}, {2.2f, 5.4f},  {3.5f, 4.0f}, {1.0f, 6.5f},
                                    {2.4f, 8.0f},    {4.3f, 9.5f},  {2.6f, 3.3f}, {2.1f, 4.6f},
                                    {0.4f, 4.9f}};
    for (int k = 0; k < 9; ++k) {
        state.stones[k] = stones[k];
    }
    const std::vector<Candidate> candidates = make_candidates(physics(), state);
    for (int k = 0; k < 9; ++k) {
        bool aimed = false;
        bool moved = false;
        for (const Candidate& c : candidates) {
            if (c.intention != Intention::HIT || c.stone != k) {
                continue;
            }
            aimed = aimed || std::hypot(c.target.x - stones[k].x, c.target.y - stones[k].y) < 0.15f;
            GAMESTATE played = state;
            physics().Simulation(&played, c.shot, 0.0f, 0, -1);
            const StonePosition& after = played.stones[k];
            moved = moved || after.x != stones[k].x || after.y != stones[k].y;
        }
        EXPECT_TRUE(aimed) << "no hit aimed at stone " << k;
        // A buried stone cannot be reached; an open one must be.
        if (path_open(state, k)) {
            EXPECT_TRUE(moved) << "no hit moves stone " << k;
        }
    }
}

TEST(Candidates, DrawsOnAnEmptySheetLandWhereAimed) {
    ASSERT_NE(physics().Simulation, nullptr);
    GAMESTATE empty{};
    const std::vector<Candidate> candidates = make_candidates(physics(), empty);
    int draws = 0;
    for (const Candidate& c : candidates) {
        if (c.intention != Intention::DRAW && c.intention != Intention::GUARD) {
            continue;
        }
        ++draws;
        GAMESTATE played = empty;
        physics().Simulation(&played, c.shot, 0.0f, 0, -1);
        EXPECT_NEAR(played.stones[0].x, c.target.x, 0.01f) << c.label;
        EXPECT_NEAR(played.stones[0].y, c.target.y, 0.01f) << c.label;
        // With the match's noise the mean rest point stays on the target
        // (the scatter is about 0.3 m along the sheet, 0.15 m across).
        SampleRandom random(static_cast<std::uint64_t>(draws));
        double x = 0.0;
        double y = 0.0;
        const int samples = 200;
        for (int i = 0; i < samples; ++i) {
            GAMESTATE noisy = empty;
            ShotVector shot = c.shot;
            shot.vx += static_cast<float>(0.145 * random.gaussian());
            shot.vy += static_cast<float>(0.145 * random.gaussian());
            physics().Simulation(&noisy, shot, 0.0f, 0, -1);
            x += noisy.stones[0].x;
            y += noisy.stones[0].y;
        }
        EXPECT_NEAR(x / samples, c.target.x, 0.06) << c.label;
        EXPECT_NEAR(y / samples, c.target.y, 0.10) << c.label;
    }
    EXPECT_GE(draws, 20);
}

}  // namespace
