// A match split into shards, merged, resumed after a cut, and stopped by
// the sequential test: each must give the same games, bit for bit, as the
// match played in one go.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "match_run.h"

namespace {

// An odd number of games, so the last pair holds one game, and ties that
// bring extra ends.
// `more` adds options or, for one already there, replaces its value.
std::vector<std::string> match_args(const std::string& out, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"--simulator", SCORING_SIMULATOR_PATH, "--games", "9", "--ends", "2",
                                     "--clock-ms", "60000", "--player1", mock_player(), "--player2",
                                     mock_player(), "--seed", "42", "--quiet", "--out", out};
    for (std::size_t i = 0; i + 1 < more.size(); i += 2) {
        const auto found = std::find(args.begin(), args.end(), more[i]);
        if (found != args.end()) {
            *(found + 1) = more[i + 1];
        } else {
            args.insert(args.end(), {more[i], more[i + 1]});
        }
    }
    return args;
}

MatchRun merge(const std::vector<std::string>& inputs, const ScratchFolder& folder) {
    std::vector<std::string> args = {"merge"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.insert(args.end(), {"--out", "record.jsonl"});
    return run_match_within(args, folder, std::chrono::seconds(60));
}

// The games as a record tells them, in the record's order: every shot
// (without its timing), end and game line.
std::vector<nlohmann::json> games_of(const std::vector<nlohmann::json>& record) {
    std::vector<nlohmann::json> lines;
    for (nlohmann::json line : record) {
        if (line["type"] == "shot" || line["type"] == "end" || line["type"] == "game") {
            line.erase("think_ms");
            line.erase("clock_ms");
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<nlohmann::json> sorted(std::vector<nlohmann::json> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The summary without the think times, which are measured.
nlohmann::json figures_of(const std::vector<nlohmann::json>& record) {
    nlohmann::json summary = lines_of_type(record, "summary").at(0);
    for (nlohmann::json& side : summary["players"]) {
        side.erase("median_think_ms");
    }
    return summary;
}

}  // namespace

// Each shard at its own concurrency, merged in another order: the same
// games in the same (pair) order as the match played in one go. A shard
// that drew its noise from the game's place in the shard, or a merge that
// wrote games in input order, would differ.
TEST(Shards, MergedInAnyOrderTheyAreTheMatchPlayedInOneGo) {
    ScratchFolder folder;
    const MatchRun whole = run_match(match_args("record.jsonl", {"--concurrency", "1"}), folder);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const char* concurrency[] = {"2", "1", "3"};
    for (int k = 0; k < 3; ++k) {
        const std::string shard = std::to_string(k) + "/3";
        const MatchRun run = run_match(match_args("shard" + std::to_string(k) + ".jsonl",
                                                  {"--shard", shard, "--concurrency", concurrency[k]}),
                                       folder);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    std::filesystem::rename(folder.file("record.jsonl"), folder.file("whole.jsonl"));

    // Two shards of three: what is there is written, what is not is named.
    const MatchRun partial = merge({"shard2.jsonl", "shard0.jsonl"}, folder);
    EXPECT_EQ(partial.status, 4) << partial.err;
    EXPECT_NE(partial.err.find("shard 1/3: no record given (2 pairs)"), std::string::npos) << partial.err;
    EXPECT_EQ(lines_of_type(partial.record, "game").size(), 6u);
    EXPECT_EQ(partial.record.back()["missing_pairs"], 2);
    std::filesystem::remove(folder.file("record.jsonl"));

    const MatchRun merged = merge({"shard2.jsonl", "shard0.jsonl", "shard1.jsonl"}, folder);
    ASSERT_EQ(merged.status, 0) << merged.err;
    const std::vector<nlohmann::json> expected = games_of(read_record(folder.file("whole.jsonl")));
    ASSERT_EQ(lines_of_type(merged.record, "game").size(), 9u);
    EXPECT_EQ(games_of(merged.record), expected);
    EXPECT_EQ(figures_of(merged.record), figures_of(read_record(folder.file("whole.jsonl"))));
    EXPECT_EQ(merged.record.front()["seed"], 42u);
    // The games can be replayed from the sources that played them.
    EXPECT_TRUE(merged.record.front()["build"].is_string() && merged.record.front()["build"] != "")
        << merged.record.front().dump();
}

struct CutCase {
    const char* name;
    // Where the record is cut: after this many whole lines of the match
    // played in one go...
    int game;     // ...up to this game's line (its "game" line when `shot` < 0)
    int shot;     // or its end-1 shot with this number
    const char* tail;  // then this text
};

void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }

class Resume : public testing::TestWithParam<CutCase> {};

// A record cut anywhere, carried on at another concurrency, ends with the
// same games as the match played without a break, each exactly once, and
// with one summary. Keeping the lines of a half-finished pair would repeat
// its first game; keeping the summary of a stopped match would leave two.
TEST_P(Resume, CarriesOnToTheGamesOfTheMatchPlayedWithoutABreak) {
    const CutCase& c = GetParam();
    ScratchFolder folder;
    const MatchRun whole = run_match(match_args("record.jsonl", {"--concurrency", "1"}), folder);
    ASSERT_EQ(whole.status, 0) << whole.err;
    std::istringstream lines(slurp(folder.file("record.jsonl")));
    std::string cut;
    for (std::string line; std::getline(lines, line);) {
        cut += line + "\n";
        const nlohmann::json json = nlohmann::json::parse(line);
        if (json.value("game", -1) == c.game &&
            (c.shot < 0 ? json["type"] == "game"
                        : json["type"] == "shot" && json["end"] == 1 && json["shot"] == c.shot)) {
            break;
        }
    }
    std::ofstream(folder.file("cut.jsonl"), std::ios::binary) << cut << c.tail;

    const MatchRun resumed =
        run_match_within({"--resume", "cut.jsonl", "--concurrency", "2"}, folder, std::chrono::seconds(60));
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    const std::vector<nlohmann::json> record = read_record(folder.file("cut.jsonl"));
    EXPECT_EQ(sorted(games_of(record)), sorted(games_of(whole.record)));
    EXPECT_EQ(lines_of_type(record, "summary").size(), 1u);
    EXPECT_EQ(record.back()["type"], "summary");
    EXPECT_EQ(figures_of(record), figures_of(whole.record));
    EXPECT_EQ(record.front(), whole.record.front());
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, Resume,
    testing::Values(
        // Game 4 finished, game 5 (its pair's second) half-played, and half
        // a line as a lost machine can leave.
        CutCase{"mid_pair_mid_line", 5, 3, "{\"type\":\"shot\",\"game\":5,\"en"},
        // Two whole pairs and the summary a signal leaves.
        CutCase{"after_a_stop", 3, -1, "{\"type\":\"summary\",\"games\":4,\"stopped_by\":\"SIGTERM\"}\n"}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

struct MismatchCase {
    const char* name;
    std::vector<std::string> other_shard;  // options of the second record
    const char* says;
    bool edit = false;  // the second record claims to be shard 1/2 but holds shard 0/2's games
    // The second record's header with this inserted: one the stand-in
    // library cannot play, such as another rule.
    const char* header_field = "";
};

void PrintTo(const MismatchCase& c, std::ostream* out) { *out << c.name; }

class Mismatch : public testing::TestWithParam<MismatchCase> {};

// Records that are not shards of one match are refused: status 2, one line
// saying why, and nothing written.
TEST_P(Mismatch, IsRefusedAndNothingIsWritten) {
    const MismatchCase& c = GetParam();
    ScratchFolder folder;
    ASSERT_EQ(run_match(match_args("a.jsonl", {"--shard", "0/2"}), folder).status, 0);
    std::vector<std::string> args = match_args("b.jsonl", c.other_shard);
    ASSERT_EQ(run_match(args, folder).status, 0);
    if (c.edit) {
        std::string text = slurp(folder.file("a.jsonl"));
        const std::string from = "\"shard\":{\"count\":2,\"index\":0}";
        text.replace(text.find(from), from.size(), "\"shard\":{\"count\":2,\"index\":1}");
        std::ofstream(folder.file("b.jsonl"), std::ios::binary) << text;
    }
    if (*c.header_field != '\0') {
        std::string text = slurp(folder.file("b.jsonl"));
        text.insert(1, std::string(c.header_field) + ",");
        std::ofstream(folder.file("b.jsonl"), std::ios::binary) << text;
    }
    const MatchRun run = merge({"a.jsonl", "b.jsonl"}, folder);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("record.jsonl")));
}

INSTANTIATE_TEST_SUITE_P(
    Merge, Mismatch,
    testing::Values(
        MismatchCase{"other_seed", {"--shard", "1/2", "--seed", "43"}, "seed 42 against 43"},
        MismatchCase{"other_games", {"--shard", "1/2", "--games", "11"}, "games 9 against 11"},
        MismatchCase{"other_spread", {"--shard", "1/2", "--spread", "0.2"}, "spread 0.145 against 0.2"},
        MismatchCase{"other_sharding", {"--shard", "1/3"}, "not one sharding"},
        MismatchCase{"same_shard_twice", {"--shard", "0/2"}, "are both shard 0/2"},
        MismatchCase{"games_of_another_shard", {"--shard", "1/2"}, "which shard 1/2 does not play", true},
        MismatchCase{"other_rule", {"--shard", "1/2"}, "rule none against \"five-rock\"", false,
                     "\"rule\":\"five-rock\""}),
    [](const testing::TestParamInfo<MismatchCase>& info) { return std::string(info.param.name); });

// The sequential test counts pairs in pair order, so it decides on the same
// pair at any concurrency and when the shards are merged; the match played
// in one go stops there. Two mock players split their pairs every way, so
// counting pairs in the order they finish would decide elsewhere.
TEST(Sprt, DecidesOnTheSamePairAtAnyConcurrencyAndInShards) {
    ScratchFolder folder;
    const auto args = [](const std::string& out, const std::vector<std::string>& more) {
        std::vector<std::string> all = {"--simulator", SCORING_SIMULATOR_PATH, "--games", "80", "--ends", "1",
                                        "--clock-ms", "60000", "--player1", mock_player(), "--player2",
                                        mock_player(), "--seed", "5", "--quiet", "--sprt", "elo0=0,elo1=150",
                                        "--out", out};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    nlohmann::json decided[3];
    const char* concurrency[] = {"1", "3"};
    for (int i = 0; i < 2; ++i) {
        const MatchRun run = run_match(args("record.jsonl", {"--concurrency", concurrency[i], "--force"}), folder);
        ASSERT_EQ(run.status, 0) << run.err;
        decided[i] = run.record.back()["sprt"];
        if (i == 0) {
            // Stopped at the decision: no game beyond its pairs.
            EXPECT_EQ(lines_of_type(run.record, "game").size(), 2 * decided[i]["pairs"].get<std::size_t>());
        }
    }
    std::filesystem::remove(folder.file("record.jsonl"));
    for (int k = 0; k < 3; ++k) {
        const std::string out = "shard" + std::to_string(k) + ".jsonl";
        const MatchRun run =
            run_match(args(out, {"--shard", std::to_string(k) + "/3", "--concurrency", "2"}), folder);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(read_record(folder.file(out)).back().contains("sprt"));
    }
    const MatchRun merged = merge({"shard1.jsonl", "shard2.jsonl", "shard0.jsonl"}, folder);
    ASSERT_EQ(merged.status, 0) << merged.err;
    decided[2] = merged.record.back()["sprt"];
    // Wins, losses and split pairs, decided well before the 40 pairs.
    EXPECT_EQ(decided[0]["decision"], "H0");
    EXPECT_EQ(decided[0]["pentanomial"], nlohmann::json({6, 0, 4, 0, 3}));
    EXPECT_LE(decided[0]["llr"], decided[0]["lower"]);
    EXPECT_EQ(decided[1], decided[0]);
    EXPECT_EQ(decided[2], decided[0]);
}

namespace {

// The record of `path` with the first line of `type` edited.
void edit_first(const std::string& path, const std::string& type,
                const std::function<void(nlohmann::json&)>& edit) {
    std::istringstream lines(slurp(path));
    std::string text;
    bool done = false;
    for (std::string line; std::getline(lines, line);) {
        nlohmann::json json = nlohmann::json::parse(line);
        if (!done && json["type"] == type) {
            edit(json);
            line = json.dump();
            done = true;
        }
        text += line + "\n";
    }
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

// A record that contradicts itself, or holds a line nested deep enough to
// exhaust the stack, is refused whole by merge and by --resume, naming the
// line: counted, its summary would be at odds with its games, or overflow.
TEST(Records, WithABadLineAreRefusedByMergeAndResumeNamingTheLine) {
    const auto game_line = [](std::function<void(nlohmann::json&)> edit) {
        return [edit](const std::string& path) { edit_first(path, "game", edit); };
    };
    const struct {
        const char* name;
        std::function<void(const std::string& path)> spoil;
        const char* says;
    } cases[] = {
        {"nested 200,000 deep",
         [](const std::string& path) {
             std::string text = slurp(path);
             text.insert(text.find('\n') + 1, std::string(200000, '[') + std::string(200000, ']') + "\n");
             std::ofstream(path, std::ios::binary) << text;
         },
         "line 2: it nests more"},
        {"a winner of 7", game_line([](nlohmann::json& game) { game["winner"] = 7; }), "\"winner\" is not"},
        {"a score against its ends",
         game_line([](nlohmann::json& game) { game["score"][0] = game["score"][0].get<int>() + 1; }),
         "is not its ends'"},
        {"a score that overflows", game_line([](nlohmann::json& game) { game["score"] = {2147483647, 0}; }),
         "\"score\" is not"},
        {"a score of text", game_line([](nlohmann::json& game) { game["score"] = "x"; }),
         "\"score\" is not an array"},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        ASSERT_EQ(run_match(match_args("a.jsonl", {"--shard", "0/2"}), folder).status, 0);
        ASSERT_EQ(run_match(match_args("b.jsonl", {"--shard", "1/2"}), folder).status, 0);
        c.spoil(folder.file("a.jsonl"));
        const std::string before = slurp(folder.file("a.jsonl"));
        const MatchRun merged = merge({"a.jsonl", "b.jsonl"}, folder);
        EXPECT_EQ(merged.status, 2) << c.name << ": " << merged.err;
        EXPECT_NE(merged.err.find("a.jsonl: line "), std::string::npos) << c.name << ": " << merged.err;
        EXPECT_NE(merged.err.find(c.says), std::string::npos) << c.name << ": " << merged.err;
        EXPECT_FALSE(std::filesystem::exists(folder.file("record.jsonl"))) << c.name;
        const MatchRun resumed = run_match_within({"--resume", "a.jsonl"}, folder, std::chrono::seconds(60));
        EXPECT_EQ(resumed.status, 2) << c.name << ": " << resumed.err;
        EXPECT_NE(resumed.err.find(c.says), std::string::npos) << c.name << ": " << resumed.err;
        EXPECT_EQ(slurp(folder.file("a.jsonl")), before) << c.name;
    }
}

// A large --games with --sprt is the natural setup of shards: merging the
// few games played costs the memory of those games, not of the match.
TEST(Shards, OfAHugeMatchMergeInTheMemoryOfTheGamesPresent) {
    ScratchFolder folder;
    for (const char* shard : {"0/2", "1/2"}) {
        const std::string out = std::string(shard[0] == '0' ? "a" : "b") + ".jsonl";
        ASSERT_EQ(run_match(match_args(out, {"--shard", shard, "--sprt", "elo0=0,elo1=10"}), folder).status, 0);
        edit_first(folder.file(out), "match", [](nlohmann::json& header) { header["games"] = 2000000000; });
    }
    const MatchRun run = merge({"a.jsonl", "b.jsonl"}, folder);
    EXPECT_EQ(run.status, 4) << run.err;
    // Pairs 0 to 3 whole; game 8 is no longer a pair of one.
    EXPECT_EQ(run.record.back()["missing_pairs"], 1000000000 - 4);
    EXPECT_NE(run.err.find("shard 0/2 (a.jsonl): pairs 4-999999998 not finished"), std::string::npos) << run.err;
}

// A merge whose write fails (a full disk, a size limit) leaves the earlier
// record as it was: cut short, it would look whole to --resume.
TEST(Merge, ThatCannotWriteInFullLeavesTheEarlierRecord) {
    ScratchFolder folder;
    ASSERT_EQ(run_match(match_args("a.jsonl", {"--shard", "0/2"}), folder).status, 0);
    ASSERT_EQ(run_match(match_args("b.jsonl", {"--shard", "1/2"}), folder).status, 0);
    ASSERT_EQ(merge({"a.jsonl", "b.jsonl"}, folder).status, 0);
    const std::string before = slurp(folder.file("record.jsonl"));
    const MatchRun run = run_match_within({"merge", "a.jsonl", "b.jsonl", "--out", "record.jsonl", "--force"},
                                          folder, std::chrono::seconds(60), 4096);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(slurp(folder.file("record.jsonl")), before);
}

// A record outlives its install folder: --resume takes the library where
// it is now, once its checksum says it is the one the games were played
// with, and refuses another.
TEST(Resume, TakesTheSameLibraryMovedAndRefusesAnother) {
    ScratchFolder folder;
    std::filesystem::copy_file(SCORING_SIMULATOR_PATH, folder.file("lib.so"));
    ASSERT_EQ(run_match(match_args("a.jsonl", {"--simulator", folder.file("lib.so"), "--games", "3",
                                               "--concurrency", "1"}),
                        folder)
                  .status,
              0);
    // Cut after the first pair: game 2 is left to play.
    const std::string text = slurp(folder.file("a.jsonl"));
    const std::size_t second_game_line = text.find('\n', text.find("\"game\":1,\"player\""));
    std::ofstream(folder.file("a.jsonl"), std::ios::binary) << text.substr(0, second_game_line + 1);
    std::filesystem::rename(folder.file("lib.so"), folder.file("moved.so"));
    const auto resume = [&folder](const std::string& library) {
        return run_match_within({"--resume", "a.jsonl", "--simulator", library}, folder, std::chrono::seconds(60));
    };
    const MatchRun other = resume(SIMULATOR_DOUBLE_PATH);
    EXPECT_EQ(other.status, 2) << other.err;
    EXPECT_NE(other.err.find("is not the library a.jsonl was played with"), std::string::npos) << other.err;
    const MatchRun moved = resume(folder.file("moved.so"));
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(lines_of_type(read_record(folder.file("a.jsonl")), "game").size(), 3u);
}
