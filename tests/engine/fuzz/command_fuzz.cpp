// libFuzzer target for the engine's command handler: arbitrary reads, each
// handled as one command, checked against an independent model of what
// every command may change. Shot selection is replaced by a stand-in that
// records how it was called, so millions of commands run in minutes; the
// platform's output is captured instead of written.
//
// Input: one byte of flags (bit 0: which time field "GO" reads at first;
// bit 1: the stand-in's spin), two floats for the stand-in's shot, then the
// reads, separated by zero bytes (a zero byte ends a read's text in the
// engine as well).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/command_loop.h"
#include "engine/game_state.h"
#include "engine/platform_io.h"
#include "strategy/choose_shot.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& read) {
    std::fprintf(stderr, "command_fuzz: %s (read \"%s\")\n", what, read.c_str());
    std::abort();
}

// What the stand-ins saw and answer.
std::string output;
ShotVector stand_in_shot{};
int choose_calls = 0;
const _GAMESTATE* chosen_state = nullptr;
_GAMESTATE chosen_copy{};
std::int32_t chosen_time = 0;

struct Model {
    _GAMESTATE state;
    std::uint8_t first_time_field;
};

_GAMESTATE marked_state() {
    _GAMESTATE state{};
    state.shot_number = 7;
    state.current_end = 3;
    state.last_end = 9;
    for (int k = 0; k < 10; ++k) {
        state.end_scores[k] = 100 + k;
    }
    state.moving_side = 1;
    for (int k = 0; k < 16; ++k) {
        state.stones[k] = StonePosition{0.5f + static_cast<float>(k), -1.0f - static_cast<float>(k)};
    }
    return state;
}

// The fields of a line as the protocol splits it: runs of spaces separate,
// leading spaces are skipped, trailing spaces leave one empty last field.
std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = line.find_first_not_of(' ');
    if (i == std::string::npos) {
        return {""};
    }
    for (;;) {
        const std::size_t end = std::min(line.find(' ', i), line.size());
        fields.push_back(line.substr(i, end - i));
        if (end == line.size()) {
            return fields;
        }
        i = line.find_first_not_of(' ', end);
        if (i == std::string::npos) {
            fields.push_back("");
            return fields;
        }
    }
}

bool is_word(const std::string& field, const char* word) {
    if (field.size() != std::strlen(word)) {
        return false;
    }
    for (std::size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

// Decimal digits after white space and a sign, saturated to 32 bits; an
// independent reading of what the handler must do with an integer field.
std::int32_t integer_of(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (field[i] - '0'), std::int64_t{1} << 32);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

float coordinate_of(const std::string& field) {
    return static_cast<float>(std::strtod(field.c_str(), nullptr));
}

struct Expected {
    bool result = true;
    std::string output;
    bool chooses = false;
    std::int32_t time = 0;
};

// What one read must do to the model.
Expected apply(Model& model, const std::string& text) {
    Expected expected;
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    const std::vector<std::string> fields = fields_of(line);
    const auto has = [&](std::size_t n) { return n < fields.size(); };
    _GAMESTATE& s = model.state;
    const std::string& word = fields[0];
    if (is_word(word, "ISREADY")) {
        s = _GAMESTATE{};
        expected.output = "READYOK";
    } else if (is_word(word, "POSITION")) {
        for (std::size_t k = 0; k < 16; ++k) {
            if (!has(2 * k + 1)) {
                expected.result = false;
                break;
            }
            s.stones[k].x = coordinate_of(fields[2 * k + 1]);
            if (!has(2 * k + 2)) {
                expected.result = false;
                break;
            }
            s.stones[k].y = coordinate_of(fields[2 * k + 2]);
        }
    } else if (is_word(word, "SETSTATE")) {
        std::int32_t* targets[] = {&s.shot_number, &s.current_end, &s.last_end};
        for (std::size_t n = 1; n <= 4 && expected.result; ++n) {
            if (!has(n)) {
                expected.result = false;
            } else if (n < 4) {
                *targets[n - 1] = integer_of(fields[n]);
            } else {
                const std::int32_t side = integer_of(fields[n]);
                model.first_time_field = side == 0 ? 1 : 0;
                s.moving_side = side == 1 ? 1 : 0;
            }
        }
    } else if (is_word(word, "GO")) {
        const std::size_t n = model.first_time_field == 1 ? 1 : 2;
        if (!has(n)) {
            expected.result = false;
        } else {
            expected.chooses = true;
            expected.time = integer_of(fields[n]);
            char reply[1024];
            std::snprintf(reply, sizeof reply, "BESTSHOT %f %f %d",
                          static_cast<double>(stand_in_shot.vx), static_cast<double>(stand_in_shot.vy),
                          static_cast<int>(stand_in_shot.spin));
            expected.output = reply;
        }
    } else if (is_word(word, "SCORE")) {
        if (!has(1)) {
            expected.result = false;
        } else if (s.current_end >= 0 && s.current_end < 10) {
            s.end_scores[s.current_end] = integer_of(fields[1]);
        }
    }
    return expected;
}

void check_read(Model& model, const std::string& text) {
    // Exactly the read's bytes and its end: the address sanitizer catches a
    // handler that looks or writes past them.
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    output.clear();
    choose_calls = 0;
    const bool result = handle_command(buffer.data());
    const Expected expected = apply(model, text);
    if (result != expected.result) fail("wrong result", text);
    if (output != expected.output) fail("wrong output", text);
    if (choose_calls != (expected.chooses ? 1 : 0)) fail("shot selection called wrongly", text);
    if (expected.chooses) {
        if (chosen_state != &engine_state) fail("shot chosen for another record", text);
        if (std::memcmp(&chosen_copy, &model.state, sizeof chosen_copy) != 0)
            fail("shot chosen for a record other than the one described", text);
        if (chosen_time != expected.time) fail("wrong remaining time", text);
    }
    if (std::memcmp(&engine_state, &model.state, sizeof engine_state) != 0)
        fail("record changed other than the command says", text);
    if (use_first_time_field != model.first_time_field) fail("wrong time field chosen", text);
}

template <typename T>
T take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = std::min(size, sizeof value);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

// The stand-ins for shot selection and the platform.
void choose_shot(const _GAMESTATE* state, ShotVector* out, std::int32_t remaining_time) {
    ++choose_calls;
    chosen_state = state;
    chosen_copy = *state;
    chosen_time = remaining_time;
    *out = stand_in_shot;
}

std::size_t read_input(char*, std::size_t) { std::abort(); }

void write_output(const char* data, std::size_t size) { output.append(data, size); }

void write_error_line(const char*) { std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto flags = take<std::uint8_t>(data, size);
    stand_in_shot.vx = take<float>(data, size);
    stand_in_shot.vy = take<float>(data, size);
    stand_in_shot.spin = static_cast<std::uint8_t>((flags >> 1) & 1);
    Model model{marked_state(), static_cast<std::uint8_t>(flags & 1)};
    engine_state = model.state;
    use_first_time_field = model.first_time_field;
    const char* text = reinterpret_cast<const char*>(data);
    while (size > 0) {
        const std::size_t end = std::find(text, text + size, '\0') - text;
        // A read is at most one byte short of the command buffer.
        const std::size_t length = std::min(end, COMMAND_BUFFER_SIZE - 1);
        check_read(model, std::string(text, length));
        const std::size_t used = std::min(size, length == end ? end + 1 : length);
        text += used;
        size -= used;
    }
    return 0;
}
