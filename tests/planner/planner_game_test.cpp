// A whole game under a short clock: the planner must finish it without
// losing on time, crashing or answering nonsense.
#include <gtest/gtest.h>

#include "../match/match_run.h"

TEST(PlannerGame, AWholeGameUnderATwentySecondClockEndsNormally) {
    ScratchFolder folder;
    const std::string draw = std::string(DRAW_PLAYER_PATH) + " --simulator " + PHYSICS_PATH;
    const MatchRun run =
        run_match({"--simulator", PHYSICS_PATH, "--out", "record.jsonl", "--games", "1", "--ends",
                   "8", "--concurrency", "1", "--clock-ms", "20000", "--player1",
                   std::string(PLANNER_PATH) + " --threads 2", "--player2", draw, "--seed", "5"},
                  folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto games = lines_of_type(run.record, "game");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0]["ending"], "normal") << games[0].dump();
    int planner_shots = 0;
    for (const nlohmann::json& shot : lines_of_type(run.record, "shot")) {
        planner_shots += shot["player"] == 1 ? 1 : 0;
    }
    EXPECT_GE(planner_shots, 64);
}
