// Games on the real physics library: the runner's account of every end must
// agree with the stones as the library left them.
#include <gtest/gtest.h>

#include <map>

#include "match_run.h"

namespace {

using ShotIndex = std::map<std::tuple<int, int, int>, nlohmann::json>;

ShotIndex index_shots(const std::vector<nlohmann::json>& record) {
    ShotIndex shots;
    for (const nlohmann::json& shot : lines_of_type(record, "shot")) {
        shots[{shot["game"], shot["end"], shot["shot"]}] = shot;
    }
    return shots;
}

}  // namespace

TEST(RealPhysics, DrawPlayersEndsAreScoredAsTheStonesLie) {
    ScratchFolder folder;
    const std::string draw = std::string(DRAW_PLAYER_PATH) + " --simulator " + PHYSICS_PATH;
    const MatchRun run = run_match({"--simulator", PHYSICS_PATH, "--out", "record.jsonl", "--games", "2",
                                    "--ends", "8", "--concurrency", "2", "--clock-ms", "60000",
                                    "--player1", draw, "--player2", draw, "--seed", "17"},
                                   folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const ShotIndex shots = index_shots(run.record);
    const auto ends = lines_of_type(run.record, "end");
    ASSERT_GE(ends.size(), 16u);
    int scored_ends = 0;
    for (const nlohmann::json& end : ends) {
        int owner[16];
        for (int k = 0; k < 16; ++k) {
            owner[k] = shots.at({end["game"], end["end"], k})["side"];
        }
        const nlohmann::json& last = shots.at({end["game"], end["end"], 15});
        EXPECT_EQ(end["score"], reference_score(last["after"], owner)) << end.dump();
        scored_ends += end["score"] != 0 ? 1 : 0;
        // Every stone left is in play: on the sheet, short of the back line.
        for (const nlohmann::json& stone : last["after"]) {
            const double x = stone[0];
            const double y = stone[1];
            if (x == 0.0 && y == 0.0) {
                continue;
            }
            EXPECT_GT(x, 0.145);
            EXPECT_LT(x, 4.605);
            EXPECT_GT(y, 4.88 - 1.829 - 0.145);
        }
    }
    EXPECT_GT(scored_ends, 0);
    for (const nlohmann::json& game : lines_of_type(run.record, "game")) {
        EXPECT_EQ(game["ending"], "normal");
    }
}

TEST(RealPhysics, EnginePlaysAnEndAgainstTheDrawPlayer) {
    ScratchFolder folder;
    const std::string draw = std::string(DRAW_PLAYER_PATH) + " --simulator " + PHYSICS_PATH;
    const MatchRun run = run_match({"--simulator", PHYSICS_PATH, "--out", "record.jsonl", "--games", "1",
                                    "--ends", "1", "--concurrency", "1", "--clock-ms", "600000",
                                    "--player1", ENGINE_PATH, "--player2", draw, "--seed", "23"},
                                   folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto games = lines_of_type(run.record, "game");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0]["ending"], "normal") << games[0].dump();
    int engine_shots = 0;
    for (const nlohmann::json& shot : lines_of_type(run.record, "shot")) {
        if (shot["player"] == 1) {
            ++engine_shots;
            EXPECT_EQ(shot["reply"].get<std::string>().rfind("BESTSHOT ", 0), 0u);
        }
    }
    EXPECT_GE(engine_shots, 8);
}
