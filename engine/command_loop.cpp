#include "command_loop.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "game_state.h"
#include "platform_io.h"
#include "strategy/choose_shot.h"

namespace {

char command_buffer[COMMAND_BUFFER_SIZE];

bool same_word(const char* token, const char* word) {
    for (; *token != '\0' && *word != '\0'; ++token, ++word) {
        char c = *token;
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != *word) {
            return false;
        }
    }
    return *token == '\0' && *word == '\0';
}

void cut_line(char* line) {
    for (; *line != '\0'; ++line) {
        if (*line == '\r' || *line == '\n') {
            *line = '\0';
            return;
        }
    }
}

float to_coordinate(const char* token) {
    return static_cast<float>(std::atof(token));
}

// As atoi reads a field (leading white space, a sign, the digits, anything
// after them ignored, 0 when there are none), but a value beyond the 32-bit
// range saturates instead of wrapping: "GO 4294967296" is a long think, not
// zero time left.
std::int32_t to_integer(const char* token) {
    const long long value = std::strtoll(token, nullptr, 10);
    return static_cast<std::int32_t>(
        std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()));
}

void clear_game_state() {
    engine_state.shot_number = 0;
    engine_state.current_end = 0;
    engine_state.last_end = 0;
    for (std::int32_t& score : engine_state.end_scores) {
        score = 0;
    }
    engine_state.moving_side = 0;
    for (StonePosition& stone : engine_state.stones) {
        stone = StonePosition{0.0f, 0.0f};
    }
}

bool handle_position(const char* line, char* field) {
    for (int k = 0; k < 16; ++k) {
        if (!next_token(field, line, 2 * k + 1)) {
            return false;
        }
        engine_state.stones[k].x = to_coordinate(field);
        if (!next_token(field, line, 2 * k + 2)) {
            return false;
        }
        engine_state.stones[k].y = to_coordinate(field);
    }
    return true;
}

bool handle_setstate(const char* line, char* field) {
    if (!next_token(field, line, 1)) {
        return false;
    }
    engine_state.shot_number = to_integer(field);
    if (!next_token(field, line, 2)) {
        return false;
    }
    engine_state.current_end = to_integer(field);
    if (!next_token(field, line, 3)) {
        return false;
    }
    engine_state.last_end = to_integer(field);
    if (!next_token(field, line, 4)) {
        return false;
    }
    const std::int32_t side = to_integer(field);
    use_first_time_field = side == 0 ? 1 : 0;
    engine_state.moving_side = side == 1 ? 1 : 0;
    return true;
}

bool handle_go(const char* line, char* field) {
    if (!next_token(field, line, use_first_time_field == 1 ? 1 : 2)) {
        return false;
    }
    const std::int32_t remaining_time = to_integer(field);
    ShotVector shot{};
    choose_shot(&engine_state, &shot, remaining_time);
    const int length = std::snprintf(field, TOKEN_BUFFER_SIZE, "BESTSHOT %f %f %d",
                                     static_cast<double>(shot.vx), static_cast<double>(shot.vy),
                                     static_cast<int>(shot.spin));
    if (length > 0) {
        write_output(field, static_cast<std::size_t>(length));
    }
    return true;
}

bool handle_score(const char* line, char* field) {
    if (!next_token(field, line, 1)) {
        return false;
    }
    const std::int32_t score = to_integer(field);
    // An end outside the record has no slot; the score is dropped rather
    // than written over the neighbouring fields.
    if (engine_state.current_end >= 0 && engine_state.current_end < 10) {
        engine_state.end_scores[engine_state.current_end] = score;
    }
    return true;
}

}  // namespace

bool next_token(char* out, const char* line, int n) {
    while (*line == ' ') {
        ++line;
    }
    for (int skipped = 0; skipped < n; ++skipped) {
        while (*line != ' ') {
            if (*line == '\0') {
                return false;
            }
            ++line;
        }
        while (*line == ' ') {
            ++line;
        }
    }
    std::size_t length = 0;
    while (line[length] != ' ' && line[length] != '\0' && length < TOKEN_BUFFER_SIZE - 1) {
        out[length] = line[length];
        ++length;
    }
    out[length] = '\0';
    return true;
}

bool handle_command(char* line) {
    cut_line(line);
    char command[TOKEN_BUFFER_SIZE];
    char field[TOKEN_BUFFER_SIZE];
    if (!next_token(command, line, 0)) {
        return false;
    }
    if (same_word(command, "NEWGAME")) {
        return true;
    }
    if (same_word(command, "ISREADY")) {
        clear_game_state();
        write_output("READYOK", 7);
        return true;
    }
    if (same_word(command, "POSITION")) {
        return handle_position(line, field);
    }
    if (same_word(command, "SETSTATE")) {
        return handle_setstate(line, field);
    }
    if (same_word(command, "GO")) {
        return handle_go(line, field);
    }
    if (same_word(command, "SCORE")) {
        return handle_score(line, field);
    }
    return true;
}

void run_read_loop() {
    for (;;) {
        std::memset(command_buffer, 0, sizeof command_buffer);
        // One byte short of the buffer, so a zero byte always ends the text.
        if (read_input(command_buffer, sizeof command_buffer - 1) == 0) {
            return;
        }
        handle_command(command_buffer);
    }
}
