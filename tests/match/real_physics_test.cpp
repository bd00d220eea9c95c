// Games on the real physics library: the runner's account of every end must
// agree with the stones as the library left them.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "match_run.h"
#include "simulator/simulator_loader.h"

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

namespace {

// Player 1 opens the end with a guard on the centre line; player 2 takes it
// out with its first stone; every later stone of both stops short of the
// far hog line. The two shots are the library's own aims.
struct GuardAndTakeOut {
    std::string guard;
    std::string take_out;
};

std::string shot_text(const ShotVector& shot) {
    char text[96];
    std::snprintf(text, sizeof text, "\"%.9g %.9g %d\"", static_cast<double>(shot.vx),
                  static_cast<double>(shot.vy), static_cast<int>(shot.spin));
    return text;
}

GuardAndTakeOut guard_and_take_out() {
    const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    EXPECT_TRUE(load.loaded) << load.error;
    const ShotTarget guard{2.375f, 8.5f, 0};
    ShotVector draw{};
    ShotVector hit{};
    EXPECT_EQ(load.api.CreateShot(guard, &draw), 1);
    EXPECT_EQ(load.api.CreateHitShot(guard, 30.0f, &hit), 1);
    return {shot_text(draw), shot_text(hit)};
}

bool empty_slot(const nlohmann::json& stone) { return stone[0] == 0.0 && stone[1] == 0.0; }

}  // namespace

// The free guard zone through the runner and the real library: under the
// five-rock rule the take-out is undone (the guard back where it lay, the
// thrown stone out of play, the next stone played on that position); without
// a rule the same shots leave the guard gone, which is what makes the first
// case fail when the rule is not applied.
TEST(RealPhysics, TheFreeGuardZoneUndoesATakeOutOfACentreGuard) {
    const GuardAndTakeOut shots = guard_and_take_out();
    for (const std::string rule : {"five-rock", "none"}) {
        SCOPED_TRACE(rule);
        ScratchFolder folder;
        const MatchRun run = run_match(
            {"--simulator", PHYSICS_PATH, "--out", "record.jsonl", "--games", "1", "--ends", "1", "--concurrency",
             "1", "--spread", "0", "--seed", "1", "--rule", rule, "--player1", mock_player("--shots " + shots.guard),
             "--player2", mock_player("--shots " + shots.take_out)},
            folder);
        ASSERT_EQ(run.status, 0) << run.err;
        const ShotIndex index = index_shots(run.record);
        const nlohmann::json& take_out = index.at({0, 0, 1});
        ASSERT_EQ(take_out["player"], 2);
        const nlohmann::json guard = take_out["position"][0];
        ASSERT_FALSE(empty_slot(guard));
        EXPECT_NEAR(guard[0].get<double>(), 2.375, 0.05);
        EXPECT_NEAR(guard[1].get<double>(), 8.5, 0.05);
        const nlohmann::json summary = lines_of_type(run.record, "summary").at(0);
        if (rule == "five-rock") {
            EXPECT_EQ(take_out.value("rule_undone", false), true) << take_out.dump();
            EXPECT_EQ(take_out["restored"], nlohmann::json::array({0}));
            EXPECT_TRUE(empty_slot(take_out["undone_after"][0]));
            EXPECT_FALSE(empty_slot(take_out["undone_after"][1]));
            EXPECT_EQ(take_out["after"][0], guard);
            EXPECT_TRUE(empty_slot(take_out["after"][1]));
            EXPECT_EQ(index.at({0, 0, 2})["position"][0], guard);
            EXPECT_EQ(summary["players"][1]["rule_undone"], 1);
            EXPECT_EQ(summary["players"][0]["rule_undone"], 0);
            EXPECT_NE(run.out.find("undone by the free guard zone 1"), std::string::npos) << run.out;
        } else {
            EXPECT_FALSE(take_out.contains("rule_undone")) << take_out.dump();
            EXPECT_TRUE(empty_slot(take_out["after"][0])) << take_out.dump();
            EXPECT_FALSE(summary["players"][1].contains("rule_undone"));
        }
    }
}
