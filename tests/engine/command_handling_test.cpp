#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/command_loop.h"
#include "engine/game_state.h"

namespace {

// handle_command writes replies straight to file descriptor 1; tests take
// them from a temporary file instead.
class CapturedOutput {
public:
    CapturedOutput() : file_(std::tmpfile()), saved_(dup(1)) {
        std::fflush(stdout);
        dup2(fileno(file_), 1);
    }
    ~CapturedOutput() {
        dup2(saved_, 1);
        close(saved_);
        std::fclose(file_);
    }
    std::string text() {
        std::string result;
        std::rewind(file_);
        char buffer[256];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
            result.append(buffer, n);
        }
        return result;
    }

private:
    std::FILE* file_;
    int saved_;
};

bool handle(const std::string& text) {
    char line[COMMAND_BUFFER_SIZE] = {};
    std::memcpy(line, text.data(), std::min(text.size(), sizeof line - 1));
    return handle_command(line);
}

std::string token(const char* line, int n, bool* found = nullptr) {
    char out[TOKEN_BUFFER_SIZE];
    std::memset(out, '#', sizeof out);
    const bool ok = next_token(out, line, n);
    if (found != nullptr) {
        *found = ok;
    }
    return ok ? std::string(out) : std::string("<none>");
}

class CommandHandling : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&engine_state, 0, sizeof engine_state);
        use_first_time_field = 0;
    }
    static _GAMESTATE marked_state() {
        _GAMESTATE state{};
        state.shot_number = 7;
        state.current_end = 3;
        state.last_end = 9;
        for (int k = 0; k < 10; ++k) {
            state.end_scores[k] = k + 1;
        }
        state.moving_side = 1;
        for (int k = 0; k < 16; ++k) {
            state.stones[k] = StonePosition{1.0f + static_cast<float>(k), 2.0f};
        }
        return state;
    }
};

}  // namespace

TEST(NextToken, SplitsOnSpacesOnly) {
    EXPECT_EQ(token("  GO   12  34", 0), "GO");
    EXPECT_EQ(token("  GO   12  34", 1), "12");
    EXPECT_EQ(token("  GO   12  34", 2), "34");
    EXPECT_EQ(token("GO\t12", 0), "GO\t12");
    EXPECT_EQ(token("GO\t12", 1), "<none>");
    EXPECT_EQ(token("", 0), "");
    EXPECT_EQ(token("     ", 0), "");
}

TEST(NextToken, OnlyTheTokenJustPastATrailingSpaceIsEmpty) {
    bool found = false;
    EXPECT_EQ(token("GO 1 ", 2, &found), "");
    EXPECT_TRUE(found);
    token("GO 1 ", 3, &found);
    EXPECT_FALSE(found);
    token("GO 1", 2, &found);
    EXPECT_FALSE(found);
}

TEST(NextToken, NeverWritesPastItsBuffer) {
    std::string line(3000, 'Z');
    char out[TOKEN_BUFFER_SIZE + 16];
    std::memset(out, '#', sizeof out);
    ASSERT_TRUE(next_token(out, line.c_str(), 0));
    EXPECT_EQ(std::strlen(out), TOKEN_BUFFER_SIZE - 1);
    EXPECT_EQ(out[TOKEN_BUFFER_SIZE], '#');
}

TEST_F(CommandHandling, IsreadyClearsTheGameButKeepsTheTimeField) {
    engine_state = marked_state();
    use_first_time_field = 1;
    CapturedOutput output;
    EXPECT_TRUE(handle("isReady 5\n"));
    EXPECT_EQ(output.text(), "READYOK");
    const _GAMESTATE zero{};
    EXPECT_EQ(std::memcmp(&engine_state, &zero, sizeof zero), 0);
    EXPECT_EQ(use_first_time_field, 1);
}

TEST_F(CommandHandling, PositionStoresFieldByFieldUntilOneIsMissing) {
    engine_state = marked_state();
    std::string line = "POSITION";
    for (int k = 0; k < 31; ++k) {
        line += "  " + std::to_string(k) + ".5";
    }
    EXPECT_FALSE(handle(line));
    for (int k = 0; k < 15; ++k) {
        EXPECT_EQ(engine_state.stones[k].x, static_cast<float>(2 * k) + 0.5f);
        EXPECT_EQ(engine_state.stones[k].y, static_cast<float>(2 * k + 1) + 0.5f);
    }
    EXPECT_EQ(engine_state.stones[15].x, 30.5f);
    EXPECT_EQ(engine_state.stones[15].y, 2.0f);  // kept
    EXPECT_EQ(engine_state.shot_number, 7);
    // Coordinates are converted as doubles and rounded once to float.
    EXPECT_TRUE(handle(line + " 4.88"));
    EXPECT_EQ(engine_state.stones[15].y, 4.88f);
}

TEST_F(CommandHandling, SetstateFieldsAndTheSideToMove) {
    EXPECT_TRUE(handle("SETSTATE 4 2 9 1"));
    EXPECT_EQ(engine_state.shot_number, 4);
    EXPECT_EQ(engine_state.current_end, 2);
    EXPECT_EQ(engine_state.last_end, 9);
    EXPECT_EQ(engine_state.moving_side, 1);
    EXPECT_EQ(use_first_time_field, 0);
    EXPECT_TRUE(handle("SETSTATE 4 2 9 0"));
    EXPECT_EQ(engine_state.moving_side, 0);
    EXPECT_EQ(use_first_time_field, 1);
    EXPECT_TRUE(handle("SETSTATE 4 2 9 2"));
    EXPECT_EQ(engine_state.moving_side, 0);
    EXPECT_EQ(use_first_time_field, 0);
    // Partial: fields before the missing one are kept, later ones are not touched.
    EXPECT_FALSE(handle("SETSTATE 11 5"));
    EXPECT_EQ(engine_state.shot_number, 11);
    EXPECT_EQ(engine_state.current_end, 5);
    EXPECT_EQ(engine_state.last_end, 9);
    // Fields that hold no number read as 0.
    EXPECT_TRUE(handle("SETSTATE abc 3x -7 1"));
    EXPECT_EQ(engine_state.shot_number, 0);
    EXPECT_EQ(engine_state.current_end, 3);
    EXPECT_EQ(engine_state.last_end, -7);
}

TEST_F(CommandHandling, ScoreWritesOnlyTheCurrentEndsSlot) {
    engine_state = marked_state();
    EXPECT_TRUE(handle("SCORE -2"));
    _GAMESTATE expected = marked_state();
    expected.end_scores[3] = -2;
    EXPECT_EQ(std::memcmp(&engine_state, &expected, sizeof expected), 0);
    EXPECT_FALSE(handle("SCORE"));
}

TEST_F(CommandHandling, ScoreOutsideTheTenEndsIsDropped) {
    for (const std::int32_t end : {10, 11, -1, 2147483647, -2147483647 - 1}) {
        engine_state = marked_state();
        engine_state.current_end = end;
        _GAMESTATE expected = engine_state;
        EXPECT_TRUE(handle("SCORE 99"));
        EXPECT_EQ(std::memcmp(&engine_state, &expected, sizeof expected), 0) << end;
    }
}

TEST_F(CommandHandling, OnlyTheFirstLineOfAReadCounts) {
    EXPECT_TRUE(handle("SETSTATE 1 2 3 1\r\nSETSTATE 5 6 7 0\n"));
    EXPECT_EQ(engine_state.shot_number, 1);
    EXPECT_EQ(engine_state.moving_side, 1);
    EXPECT_TRUE(handle("\nSETSTATE 5 6 7 0\n"));
    EXPECT_EQ(engine_state.shot_number, 1);
}

TEST_F(CommandHandling, UnknownWordsAndPrefixesChangeNothing) {
    engine_state = marked_state();
    const _GAMESTATE expected = engine_state;
    CapturedOutput output;
    for (const char* line : {"NEWGAME", "ISREADYX", "SET STATE 1 2 3 0", "GOO 1 2",
                             "SETSTATE\t1 2 3 0", "", "   ", "SCORES 4", "POSITIONS 1 1"}) {
        EXPECT_TRUE(handle(line)) << line;
    }
    EXPECT_EQ(std::memcmp(&engine_state, &expected, sizeof expected), 0);
    EXPECT_EQ(output.text(), "");
}

TEST_F(CommandHandling, GoWithoutItsTimeFieldChoosesNothing) {
    use_first_time_field = 0;
    CapturedOutput output;
    EXPECT_FALSE(handle("GO 120000"));
    EXPECT_FALSE(handle("GO"));
    EXPECT_EQ(output.text(), "");
}

// Integer fields read as atoi reads them, but a value beyond the 32-bit
// range saturates instead of wrapping (atoi's result is undefined there;
// glibc wraps 4294967296 to 0 and 2147483648 to the lowest value).
TEST_F(CommandHandling, IntegerFieldsSaturateToThirtyTwoBits) {
    struct Case {
        const char* field;
        std::int32_t value;
    };
    const Case cases[] = {
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"4294967296", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},
        {"-4294967296", -2147483647 - 1},
        {"\t+0042x", 42},  // white space, sign and trailing text as before
        {"-17.9", -17},
        {"x12", 0},
    };
    for (const Case& c : cases) {
        const std::string field = c.field;
        ASSERT_TRUE(handle("SETSTATE " + field + " " + field + " " + field + " 1")) << field;
        EXPECT_EQ(engine_state.shot_number, c.value) << field;
        EXPECT_EQ(engine_state.current_end, c.value) << field;
        EXPECT_EQ(engine_state.last_end, c.value) << field;
    }
}
