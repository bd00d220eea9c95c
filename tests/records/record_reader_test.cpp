// The one reader of match records: what it keeps of a game and what it
// leaves out, on lines that each break one rule of the format.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "match/records/record_reader.h"
#include "sample_record.h"

namespace {

using nlohmann::json;

// Line 1 the header, lines 2 to 17 the shots, 18 the end, 19 the game
// (player 1 steals a point).
std::vector<json> one_game() {
    std::vector<json> lines = {sample_record::header(2)};
    for (json& line : sample_record::game(0)) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string text_of(const std::vector<json>& lines) { return sample_record::text(lines); }

// Makes `shot` one the free guard zone undid: it had taken stone 0, a
// guard, out of play and come to rest itself; the rule put the guard back
// and removed the thrown stone. The header plays the five-rock rule.
void undo(std::vector<json>& lines, int shot) {
    lines[0]["rule"] = "five-rock";
    json& line = lines[static_cast<std::size_t>(shot) + 1];
    const json guard = {2.375, 8.5};
    line["position"][0] = guard;
    line["after"][0] = guard;
    line["undone_after"] = line["after"];
    line["undone_after"][0] = {0.0, 0.0};
    line["undone_after"][shot] = {2.4, 8.4};
    line["rule_undone"] = true;
    line["restored"] = {0};
}

// Each case breaks the game once: the game is left out, and the fault
// names its line.
struct BadLine {
    const char* name;
    std::function<void(std::vector<json>&)> edit;
    std::size_t line;
    const char* reason;
};

TEST(RecordReader, LeavesOutAGameWithABadLineAndNamesTheLine) {
    // l[k] is line k + 1.
    const BadLine cases[] = {
        {"a shot missing", [](auto& l) { l.erase(l.begin() + 6); }, 7, "shot 6 of end 0 where shot 5"},
        {"a shot out of turn", [](auto& l) { l[4]["side"] = 0, l[4]["player"] = 1; }, 5, "not by player 2"},
        {"a shot number of another type", [](auto& l) { l[2]["shot"] = "1"; }, 3, "\"shot\" is not a whole"},
        {"a stone not a pair", [](auto& l) { l[3]["after"][3] = {1.0}; }, 4, "stone 3 is not an [x, y]"},
        {"a clock beyond a record's", [](auto& l) { l[3]["clock_ms"][0] = 1e300; }, 4, "\"clock_ms\" is not"},
        {"a coordinate not a number", [](auto& l) { l[3]["position"][0][0] = "nan"; }, 4, "\"position\" holds"},
        {"a spin of 2", [](auto& l) { l[1]["delivered"][2] = 2; }, 2, "\"delivered\" is not a whole"},
        {"an end before its last stone", [](auto& l) { l.erase(l.begin() + 16); }, 17, "after 15 stones"},
        {"the hammer to the thrower of the first stone", [](auto& l) { l[17]["hammer"] = 1; }, 18,
         "hammer to player 1, not 2"},
        {"a total that is not the ends'", [](auto& l) { l[17]["total"] = {2, 0}; }, 18, "add up to 1-0"},
        {"an end score beyond eight", [](auto& l) { l[17]["score"] = 9; }, 18, "\"score\" is not a whole"},
        {"a winner of 7", [](auto& l) { l[18]["winner"] = 7; }, 19, "\"winner\" is not a whole"},
        {"a winner against the score", [](auto& l) { l[18]["winner"] = 2; }, 19, "winner is not the one"},
        {"a draw of a decided game", [](auto& l) { l[18]["winner"] = nullptr; }, 19, "winner is not the one"},
        {"a score against the ends", [](auto& l) { l[18]["score"] = {3, 0}; }, 19, "score 3-0 is not its ends' 1-0"},
        {"a score that overflows", [](auto& l) { l[18]["score"] = {2147483647, 0}; }, 19, "\"score\" is not"},
        {"a score of text", [](auto& l) { l[18]["score"] = "x"; }, 19, "\"score\" is not an array"},
        {"end scores against the ends", [](auto& l) { l[18]["end_scores"] = {2}; }, 19, "end scores are not"},
        {"an unknown ending", [](auto& l) { l[18]["ending"] = "won"; }, 19, "\"ending\" is not one"},
        {"a forfeit won by the player at fault", [](auto& l) { l[18]["ending"] = "crash", l[18]["player"] = 1; },
         19, "winner is not the other of the player at fault"},
        {"the first hammer of the other game", [](auto& l) { l[18]["first_hammer"] = 1; }, 19,
         "first hammer to player 1, not 2"},
        {"a normal ending before the last end",
         [](auto& l) {
             l.erase(l.begin() + 16, l.begin() + 18);
             l[16]["score"] = {0, 0}, l[16]["end_scores"] = json::array(), l[16]["winner"] = nullptr;
         },
         17, "before its last end"},
        {"a line after the game line", [](auto& l) { l.push_back(l[18]); }, 20, "goes on after its game line"},
        {"an undone shot in a match without the rule", [](auto& l) { undo(l, 1), l[0].erase("rule"); }, 3,
         "which the match is not played under"},
        {"an undone sixth stone under five-rock", [](auto& l) { undo(l, 5); }, 7, "covers only the first 5"},
        {"restored stones the shot did not move", [](auto& l) { undo(l, 1), l[2]["restored"] = {3}; }, 3,
         "\"restored\" is not"},
        {"a thrown stone the rule left in play", [](auto& l) { undo(l, 1), l[2]["after"][1] = {2.4, 8.4}; }, 3,
         "thrown stone is still"},
        {"a guard not put back", [](auto& l) { undo(l, 1), l[2]["after"][0] = {0.0, 0.0}; }, 3,
         "stone 0 of \"after\" is not where it was"},
    };
    for (const BadLine& c : cases) {
        std::vector<json> lines = one_game();
        c.edit(lines);
        records::Record record;
        ASSERT_EQ(records::read_record(text_of(lines), record), std::nullopt) << c.name;
        EXPECT_TRUE(record.games.empty()) << c.name;
        const records::Dropped* fault = record.first_fault();
        ASSERT_NE(fault, nullptr) << c.name;
        EXPECT_EQ(fault->line, c.line) << c.name;
        EXPECT_EQ(fault->game, 0) << c.name;
        EXPECT_NE(fault->reason.find(c.reason), std::string::npos) << c.name << ": " << fault->reason;
    }
}

// A shot the rule undid reads back with what it restored and where the shot
// had left the stones; the header names the rule.
TEST(RecordReader, KeepsAShotTheFreeGuardZoneUndid) {
    std::vector<json> lines = one_game();
    undo(lines, 1);
    lines[0]["rule"] = "four-rock+no-tick";
    records::Record record;
    ASSERT_EQ(records::read_record(text_of(lines), record), std::nullopt);
    ASSERT_EQ(record.first_fault(), nullptr) << record.dropped.front().reason;
    EXPECT_EQ(record.header.rule, CURLING_RULE_FOUR_ROCK | CURLING_RULE_NO_TICK);
    const records::ShotLine& shot = record.games.at(0).shots.at(1);
    EXPECT_TRUE(shot.rule_undone);
    EXPECT_EQ(shot.restored, std::vector<int>{0});
    EXPECT_EQ(shot.undone_after[1].x, 2.4f);
    EXPECT_FALSE(record.games.at(0).shots.at(2).rule_undone);
}

// Lines that belong to no game that can be named are refused on their own,
// and hostile ones unparsed: the game around them stays whole.
TEST(RecordReader, RefusesHostileLinesWithTheirNumberAndKeepsTheGames) {
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    const struct {
        std::string line;
        const char* reason;
    } cases[] = {
        {deep, "nests more than"},
        {"{\"type\":\"shot\",\"game\":" + std::string(records::MAX_NESTING + 1, '[') + "}", "nests more than"},
        {std::string(records::MAX_LINE_BYTES + 1, ' ') + "{}", "longer than"},
        {"{\"type\":\"shot\",\"game\":2}", "of no game of the match's 2"},
        {"{\"type\":\"comment\"}", "unknown line type"},
        {"[1,2]", "not a record line"},
        {"{\"type\":\"end\",", "not JSON"},
    };
    for (const auto& c : cases) {
        std::string text = text_of(one_game());
        text.insert(text.find('\n') + 1, c.line + "\n");
        records::Record record;
        ASSERT_EQ(records::read_record(text, record), std::nullopt) << c.reason;
        EXPECT_EQ(record.games.size(), 1u) << c.reason;
        ASSERT_NE(record.first_fault(), nullptr) << c.reason;
        EXPECT_EQ(record.first_fault()->line, 2u) << c.reason;
        EXPECT_NE(record.first_fault()->reason.find(c.reason), std::string::npos) << record.first_fault()->reason;
    }
}

// A runner killed mid-write leaves half a line and a game under way: the
// finished game is whole, and the rest is said without a fault.
TEST(RecordReader, KeepsTheFinishedGamesOfARecordCutMidLine) {
    std::vector<json> lines = one_game();
    json second = lines[1];
    second["game"] = 1;
    second["side"] = 1;
    second["player"] = 2;
    lines.insert(lines.begin() + 3, second);
    const std::string text = text_of(lines) + lines[2].dump().substr(0, 40);
    records::Record record;
    ASSERT_EQ(records::read_record(text, record), std::nullopt);
    EXPECT_EQ(record.first_fault(), nullptr);
    ASSERT_EQ(record.games.size(), 1u);
    EXPECT_EQ(record.games.at(0).shots.size(), 16u);
    ASSERT_EQ(record.dropped.size(), 2u);
    EXPECT_EQ(record.dropped[0].kind, records::DropKind::UNFINISHED);
    EXPECT_EQ(record.dropped[0].game, 1);
    EXPECT_EQ(record.dropped[1].kind, records::DropKind::CUT_SHORT);
    EXPECT_EQ(record.dropped[1].line, 21u);
}

}  // namespace
