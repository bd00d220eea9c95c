#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "match/protocol_text.h"
#include "match/scoreboard.h"

using namespace runner;

TEST(ReplyParsing, AcceptsTheEngineFormat) {
    const ParsedShot parsed = parse_bestshot("BESTSHOT 0.100000 -30.000000 1");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.shot.vx, 0.1f);
    EXPECT_EQ(parsed.shot.vy, -30.0f);
    EXPECT_EQ(parsed.shot.spin, 1);
    EXPECT_TRUE(parse_bestshot("BESTSHOT -1.5 -29 0\r\n").ok);
    EXPECT_TRUE(parse_bestshot("BESTSHOT  2e-1 -3e1 0 ").ok);
}

TEST(ReplyParsing, RefusesEveryMalformedShot) {
    const char* refused[] = {
        "",
        "HELLO THERE",
        "READYOK",
        "BESTSHOT 0.1 -30.0",
        "BESTSHOT 0.1 -30.0 1 7",
        "BESTSHOT 0.1 -30.0 2",
        "BESTSHOT 0.1 -30.0 -1",
        "BESTSHOT 0.1 -30.0 1.0",
        "BESTSHOT nan -30.0 0",
        "BESTSHOT 0.1 inf 0",
        "BESTSHOT 0.1 -1e39 0",
        "BESTSHOT 0.1 -5000 0",
        "BESTSHOT 0.1x -30.0 0",
        "bestshot 0.1 -30.0 0",
        "BESTSHOT 0.1 -30.0 0\nBESTSHOT 0.2 -30.0 0",
    };
    for (const char* reply : refused) {
        const ParsedShot parsed = parse_bestshot(reply);
        EXPECT_FALSE(parsed.ok) << reply;
        EXPECT_FALSE(parsed.error.empty()) << reply;
    }
    EXPECT_NE(parse_bestshot("BESTSHOT 0.1 -30.0 2").error.find("spin"), std::string::npos);
    EXPECT_NE(parse_bestshot("BESTSHOT nan -30.0 0").error.find("finite"), std::string::npos);
}

TEST(ReplyProgress, WaitsForAReplyStillArriving) {
    EXPECT_EQ(reply_progress("BEST"), ReplyProgress::INCOMPLETE);
    EXPECT_EQ(reply_progress("BESTSHOT"), ReplyProgress::INCOMPLETE);
    EXPECT_EQ(reply_progress("BESTSHOT 0.1 -30"), ReplyProgress::INCOMPLETE);
    EXPECT_EQ(reply_progress("BESTSHOT 0.1 -30 "), ReplyProgress::INCOMPLETE);
}

TEST(ReplyProgress, JudgesAtOnceWhenTheFormSaysSo) {
    EXPECT_EQ(reply_progress("BESTSHOT 0.1 -30 1"), ReplyProgress::COMPLETE);
    EXPECT_EQ(reply_progress("BESTSHOT 0.1\n"), ReplyProgress::COMPLETE);
    EXPECT_EQ(reply_progress("HELLO"), ReplyProgress::COMPLETE);
    EXPECT_EQ(reply_progress("BESTSHOTS"), ReplyProgress::COMPLETE);
    EXPECT_EQ(reply_progress("BEST 1"), ReplyProgress::COMPLETE);
}

TEST(CommandText, PositionCarriesEveryStoneExactly) {
    GAMESTATE state{};
    for (int k = 0; k < 16; ++k) {
        state.stones[k] = {2.375f + 0.01f * static_cast<float>(k), 4.88f + 1.0f / 3.0f * static_cast<float>(k)};
    }
    const std::string line = format_position(state);
    ASSERT_EQ(line.back(), '\n');
    std::istringstream words(line);
    std::string word;
    words >> word;
    EXPECT_EQ(word, "POSITION");
    for (int k = 0; k < 16; ++k) {
        float x = 0.0f;
        float y = 0.0f;
        ASSERT_TRUE(words >> word);
        x = std::strtof(word.c_str(), nullptr);
        ASSERT_TRUE(words >> word);
        y = std::strtof(word.c_str(), nullptr);
        EXPECT_EQ(x, state.stones[k].x) << k;
        EXPECT_EQ(y, state.stones[k].y) << k;
    }
    EXPECT_FALSE(words >> word);
}

TEST(CommandText, OtherCommands) {
    EXPECT_EQ(format_setstate(15, 9, 9, 1), "SETSTATE 15 9 9 1\n");
    EXPECT_EQ(format_go(120000, 0), "GO 120000 0\n");
    EXPECT_EQ(format_score(-3), "SCORE -3\n");
    EXPECT_EQ(format_float(0.0f), "0");
    EXPECT_EQ(format_float(4.88f), "4.88");
}

TEST(CommandLine, SplitsWordsWithQuotesAndEscapes) {
    std::vector<std::string> words;
    ASSERT_TRUE(split_command_line("  /bin/player --name 'two words' \"a \\\"b\\\"\" c\\ d ", words));
    EXPECT_EQ(words, (std::vector<std::string>{"/bin/player", "--name", "two words", "a \"b\"", "c d"}));
    ASSERT_TRUE(split_command_line("x ''", words));
    EXPECT_EQ(words, (std::vector<std::string>{"x", ""}));
    EXPECT_FALSE(split_command_line("player 'open", words));
    EXPECT_FALSE(split_command_line("   ", words));
}

// What reaches the terminal: printable UTF-8 as it is, everything else as an
// escape that cannot be mistaken for text.
TEST(Printable, EscapesControlsAndBytesThatAreNotText) {
    const std::pair<std::string, std::string> cases[] = {
        {"engine#1 BESTSHOT 1.5 -30 0", "engine#1 BESTSHOT 1.5 -30 0"},
        {"\xc3\xa9t\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\xa5\x8c", "\xc3\xa9t\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\xa5\x8c"},
        {"\x1b[2J\x1b[31m", "\\x1b[2J\\x1b[31m"},
        {std::string("a\0b\r\n\t\x7f", 7), "a\\x00b\\x0d\\x0a\\x09\\x7f"},
        {"\xff\xfe", "\\xff\\xfe"},
        {"\xc2\x9b" "1m", "\\u009b1m"},                  // an 8-bit control sequence start
        {"\xc0\xaf", "\\xc0\\xaf"},                      // an overlong '/'
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},             // a surrogate
        {"\xe2\x9c", "\\xe2\\x9c"},                      // cut short
        {"C:\\x1b", "C:\\\\x1b"},                        // a backslash cannot forge an escape
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(printable(text), shown) << shown;
    }
}
