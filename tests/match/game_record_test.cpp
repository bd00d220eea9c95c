// Whole games through the runner, judged from the record it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "match_run.h"

namespace {

std::vector<std::string> base_args(const std::string& simulator, int games, int ends) {
    return {"--simulator", simulator, "--out", "record.jsonl", "--games", std::to_string(games),
            "--ends", std::to_string(ends), "--clock-ms", "60000", "--concurrency", "1"};
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

void expect_rules_hold(const std::vector<nlohmann::json>& record, int game) {
    std::vector<nlohmann::json> shots;
    std::vector<nlohmann::json> ends;
    nlohmann::json result;
    for (const nlohmann::json& line : record) {
        if (line.contains("game") && line["game"] == game) {
            if (line["type"] == "shot") {
                shots.push_back(line);
            } else if (line["type"] == "end") {
                ends.push_back(line);
            } else if (line["type"] == "game") {
                result = line;
            }
        }
    }
    ASSERT_FALSE(ends.empty());
    ASSERT_EQ(shots.size(), ends.size() * 16);
    // Player 2 has the first hammer in even games, player 1 in odd ones.
    int hammer = game % 2 == 0 ? 2 : 1;
    EXPECT_EQ(result["first_hammer"], hammer);
    int totals[2] = {0, 0};
    for (std::size_t e = 0; e < ends.size(); ++e) {
        const nlohmann::json& end = ends[e];
        EXPECT_EQ(end["end"], static_cast<int>(e));
        EXPECT_EQ(end["hammer"], hammer) << "game " << game << " end " << e;
        int owner[16];
        for (int k = 0; k < 16; ++k) {
            const nlohmann::json& shot = shots[e * 16 + static_cast<std::size_t>(k)];
            ASSERT_EQ(shot["end"], static_cast<int>(e));
            ASSERT_EQ(shot["shot"], k);
            // Stones alternate and the hammer throws the last one.
            const int thrower = (k % 2 == 1) ? hammer : 3 - hammer;
            EXPECT_EQ(shot["player"], thrower);
            EXPECT_EQ(shot["side"], thrower - 1);
            owner[k] = thrower - 1;
            if (k == 0) {
                for (const auto& stone : shot["position"]) {
                    EXPECT_EQ(stone, nlohmann::json({0.0, 0.0}));
                }
            } else {
                EXPECT_EQ(shot["position"], shots[e * 16 + static_cast<std::size_t>(k) - 1]["after"]);
            }
            for (int axis = 0; axis < 2; ++axis) {
                const float delivered = static_cast<float>(static_cast<double>(shot["shot_vector"][axis]) +
                                                           static_cast<double>(shot["noise"][axis]));
                EXPECT_EQ(delivered, static_cast<float>(shot["delivered"][axis]));
            }
        }
        const int score = end["score"];
        EXPECT_EQ(score, reference_score(shots[e * 16 + 15]["after"], owner))
            << "game " << game << " end " << e;
        totals[0] += std::max(score, 0);
        totals[1] += std::max(-score, 0);
        EXPECT_EQ(end["total"], nlohmann::json({totals[0], totals[1]}));
        // The scorer throws first next end; a blank end keeps the hammer.
        if (score > 0) {
            hammer = 2;
        } else if (score < 0) {
            hammer = 1;
        }
    }
    EXPECT_EQ(result["score"], nlohmann::json({totals[0], totals[1]}));
    EXPECT_EQ(result["ending"], "normal");
    if (totals[0] == totals[1]) {
        EXPECT_TRUE(result["winner"].is_null());
    } else {
        EXPECT_EQ(result["winner"], totals[0] > totals[1] ? 1 : 2);
    }
}

nlohmann::json without_timing(nlohmann::json shot) {
    shot.erase("think_ms");
    shot.erase("clock_ms");
    return shot;
}

std::map<std::string, nlohmann::json> shots_by_place(const std::vector<nlohmann::json>& record) {
    std::map<std::string, nlohmann::json> shots;
    for (const nlohmann::json& shot : lines_of_type(record, "shot")) {
        shots[shot["game"].dump() + "/" + shot["end"].dump() + "/" + shot["shot"].dump()] =
            without_timing(shot);
    }
    return shots;
}

}  // namespace

TEST(GameRecord, EveryShotEndAndGameFollowsTheRules) {
    ScratchFolder folder;
    const MatchRun run = run_match(with(base_args(SCORING_SIMULATOR_PATH, 4, 8),
                                        {"--player1", mock_player(), "--player2", mock_player(),
                                         "--names", "alpha,beta", "--seed", "11"}),
                                   folder);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GE(run.record.size(), 2u);
    const nlohmann::json& match = run.record.front();
    EXPECT_EQ(match["type"], "match");
    EXPECT_EQ(match["seed"], 11u);
    EXPECT_EQ(match["players"][0]["name"], "alpha");
    EXPECT_EQ(match["spread"], 0.145);
    EXPECT_EQ(run.record.back()["type"], "summary");
    ASSERT_EQ(lines_of_type(run.record, "game").size(), 4u);
    int decided_ends = 0;
    for (int game = 0; game < 4; ++game) {
        expect_rules_hold(run.record, game);
    }
    for (const nlohmann::json& end : lines_of_type(run.record, "end")) {
        decided_ends += end["score"] != 0 ? 1 : 0;
    }
    // The stand-in physics makes real ends: some are won, by either side.
    EXPECT_GT(decided_ends, 8);

    const nlohmann::json& summary = run.record.back();
    EXPECT_EQ(summary["games"], 4);
    int wins = 0;
    for (const nlohmann::json& game : lines_of_type(run.record, "game")) {
        wins += game["winner"] == 1 ? 1 : 0;
    }
    EXPECT_EQ(summary["players"][0]["wins"], wins);
    EXPECT_EQ(summary["elo"]["pairs"], 2);
    EXPECT_NE(run.out.find("alpha"), std::string::npos);
    EXPECT_NE(run.out.find("Record: record.jsonl"), std::string::npos);
}

TEST(GameRecord, BlankEndsKeepTheHammerAndATieRunsToTheTenthEndThenDraws) {
    // This stand-in scores every end 0.
    ScratchFolder folder;
    const MatchRun run = run_match(with(base_args(SIMULATOR_DOUBLE_PATH, 2, 8),
                                        {"--player1", mock_player(), "--player2", mock_player(),
                                         "--seed", "3"}),
                                   folder);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto ends = lines_of_type(run.record, "end");
    ASSERT_EQ(ends.size(), 20u);
    for (const nlohmann::json& end : ends) {
        EXPECT_EQ(end["score"], 0);
        EXPECT_EQ(end["hammer"], end["game"] == 0 ? 2 : 1);
    }
    for (const nlohmann::json& game : lines_of_type(run.record, "game")) {
        EXPECT_TRUE(game["winner"].is_null());
        EXPECT_EQ(game["end_scores"].size(), 10u);
    }
    const nlohmann::json& summary = run.record.back();
    EXPECT_EQ(summary["extra_ends"], 4);
    EXPECT_EQ(summary["blank_ends"], 20);
    EXPECT_EQ(summary["players"][0]["draws"], 2);
}

TEST(GameRecord, SameSeedReplaysTheSameGamesWhateverTheConcurrency) {
    ScratchFolder first;
    ScratchFolder second;
    ScratchFolder other_seed;
    const auto args = [](const std::string& seed, const std::string& concurrency) {
        return std::vector<std::string>{"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                        "--games", "4", "--ends", "3", "--clock-ms", "60000",
                                        "--player1", mock_player(), "--player2", mock_player(),
                                        "--seed", seed, "--concurrency", concurrency};
    };
    const MatchRun a = run_match(args("99", "1"), first);
    const MatchRun b = run_match(args("99", "3"), second);
    const MatchRun c = run_match(args("100", "1"), other_seed);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(c.status, 0) << c.err;
    const auto shots_a = shots_by_place(a.record);
    ASSERT_GE(shots_a.size(), 4u * 3u * 16u);  // more when a tie brings extra ends
    EXPECT_EQ(shots_a, shots_by_place(b.record));
    EXPECT_NE(shots_a, shots_by_place(c.record));
}

// One noise stream for the whole match, or one reused by every game, would
// replay identically at any concurrency and still pass the test above.
TEST(GameRecord, EveryGameDrawsItsOwnNoiseWhateverRanBeforeIt) {
    ScratchFolder serial;
    ScratchFolder parallel;
    const auto args = [](const std::string& concurrency) {
        return std::vector<std::string>{"--simulator", SCORING_SIMULATOR_PATH, "--out", "record.jsonl",
                                        "--games", "4", "--ends", "1", "--clock-ms", "60000",
                                        "--player1", mock_player(), "--player2", mock_player(),
                                        "--seed", "7", "--concurrency", concurrency};
    };
    // One after another, every game but the first has others before it; all
    // at once, none has.
    const MatchRun a = run_match(args("1"), serial);
    const MatchRun b = run_match(args("4"), parallel);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    const auto noise_by_game = [](const std::vector<nlohmann::json>& record) {
        std::map<int, std::vector<nlohmann::json>> noise;
        for (const nlohmann::json& shot : lines_of_type(record, "shot")) {
            noise[shot["game"].get<int>()].push_back(shot["noise"]);
        }
        return noise;
    };
    const auto noise = noise_by_game(a.record);
    ASSERT_EQ(noise.size(), 4u);
    EXPECT_EQ(noise, noise_by_game(b.record));
    for (const auto& [game, draws] : noise) {
        ASSERT_GE(draws.size(), 16u);
        for (const auto& [other, other_draws] : noise) {
            if (other != game) {
                EXPECT_NE(draws.front(), other_draws.front()) << "games " << game << " and " << other;
            }
        }
    }
}

TEST(DrawPlayer, DrawsEveryStoneToTheTee) {
    ScratchFolder folder;
    const std::string draw =
        std::string(DRAW_PLAYER_PATH) + " --simulator " + SCORING_SIMULATOR_PATH;
    const MatchRun run = run_match(with(base_args(SCORING_SIMULATOR_PATH, 2, 2),
                                        {"--player1", draw, "--player2", mock_player(), "--seed", "5",
                                         "--spread", "0"}),
                                   folder);
    ASSERT_EQ(run.status, 0) << run.err;
    int draws = 0;
    for (const nlohmann::json& shot : lines_of_type(run.record, "shot")) {
        if (shot["player"] == 1) {
            ++draws;
            // Without noise the stone rests on the tee.
            const int k = shot["shot"];
            EXPECT_NEAR(static_cast<double>(shot["after"][k][0]), 2.375, 1e-5);
            EXPECT_NEAR(static_cast<double>(shot["after"][k][1]), 4.88, 1e-5);
        }
    }
    EXPECT_EQ(draws, 2 * 2 * 8);
    for (const nlohmann::json& game : lines_of_type(run.record, "game")) {
        EXPECT_EQ(game["ending"], "normal");
    }
}

TEST(DrawPlayer, WithoutItsLibraryItSaysSoAndStops) {
    ScratchFolder folder;
    const MatchRun run = run_match(with(base_args(SCORING_SIMULATOR_PATH, 2, 2),
                                        {"--player1",
                                         std::string(DRAW_PLAYER_PATH) + " --simulator /nonexistent.so",
                                         "--player2", mock_player()}),
                                   folder);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("could not start"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nonexistent.so"), std::string::npos) << run.err;
}
