// A whole game under a short clock: the planner must finish it without
// losing on time, crashing or answering nonsense. It is asked for a second
// per shot, which 64 shots cannot have from 20 s: it must spread the clock.
#include <gtest/gtest.h>

#include "match_run.h"

TEST(PlannerGame, AWholeGameUnderATwentySecondClockEndsNormally) {
    ScratchFolder folder;
    const std::string draw = std::string(DRAW_PLAYER_PATH).append(" --simulator ").append(PHYSICS_PATH);
    const MatchRun run =
        run_match({"--simulator", PHYSICS_PATH, "--out", "record.jsonl", "--games", "1", "--ends",
                   "8", "--concurrency", "1", "--clock-ms", "20000", "--player1",
                   std::string(PLANNER_PATH) + " --threads 2 --move-ms 1000", "--player2", draw, "--seed", "5"},
                  folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto games = lines_of_type(run.record, "game");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0]["ending"], "normal") << games[0].dump();
    int planner_shots = 0;
    double thought_ms = 0.0;
    for (const nlohmann::json& shot : lines_of_type(run.record, "shot")) {
        if (shot["player"] == 1) {
            ++planner_shots;
            thought_ms += shot["think_ms"].get<double>();
        }
    }
    EXPECT_GE(planner_shots, 64);
    // It used the clock rather than answering at once.
    EXPECT_GT(thought_ms, 5000.0);
}
