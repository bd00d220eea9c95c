#include "player/protocol.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "player/write_all.h"

namespace {

// One byte short of the engine's command buffer: every player takes a long
// line in the same reads.
constexpr std::size_t READ_SIZE = 1023;

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < line.size() && line[at] == ' ') {
        ++at;
    }
    while (at <= line.size()) {
        std::size_t end = line.find(' ', at);
        if (end == std::string::npos) {
            end = line.size();
        }
        out.push_back(line.substr(at, end - at));
        if (end == line.size()) {
            break;
        }
        // Runs of spaces separate, but a trailing space makes an empty field.
        at = end + 1;
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
    }
    return out;
}

bool same_word(const std::string& token, const char* word) {
    std::size_t i = 0;
    for (; i < token.size() && word[i] != '\0'; ++i) {
        char c = token[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return i == token.size() && word[i] == '\0';
}

// As atoi reads a field, but a value beyond the 32-bit range saturates
// (atoi's result is undefined there): "GO 4294967296" is a long think.
std::int32_t to_integer(const std::string& token) {
    const long long value = std::strtoll(token.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(
        std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::string format_bestshot(const ShotVector& shot) {
    char reply[128];
    const int length = std::snprintf(reply, sizeof reply, "BESTSHOT %f %f %d",
                                     static_cast<double>(shot.vx), static_cast<double>(shot.vy),
                                     shot.spin != 0 ? 1 : 0);
    return length > 0 ? std::string(reply, static_cast<std::size_t>(length)) : std::string();
}

std::string ProtocolSession::handle(std::string line) {
    const std::size_t cut = line.find_first_of("\r\n");
    if (cut != std::string::npos) {
        line.resize(cut);
    }
    // A zero byte ends the text, as in any C string the server could mean.
    const std::size_t zero = line.find('\0');
    if (zero != std::string::npos) {
        line.resize(zero);
    }
    const std::vector<std::string> field = words(line);
    if (field.empty() || (field.size() == 1 && field[0].empty())) {
        return {};
    }
    const std::string& command = field[0];
    if (same_word(command, "ISREADY")) {
        state_ = GAMESTATE{};
        return "READYOK";
    }
    if (same_word(command, "POSITION")) {
        for (int k = 0; k < CURLING_STONES; ++k) {
            for (int axis = 0; axis < 2; ++axis) {
                const std::size_t n = static_cast<std::size_t>(2 * k + axis + 1);
                if (n >= field.size()) {
                    return {};
                }
                const float value = static_cast<float>(std::atof(field[n].c_str()));
                (axis == 0 ? state_.stones[k].x : state_.stones[k].y) = value;
            }
        }
        return {};
    }
    if (same_word(command, "SETSTATE")) {
        if (field.size() > 1) state_.shot_number = to_integer(field[1]);
        if (field.size() > 2) state_.current_end = to_integer(field[2]);
        if (field.size() > 3) state_.last_end = to_integer(field[3]);
        if (field.size() > 4) {
            const std::int32_t side = to_integer(field[4]);
            first_time_field_ = side == 0;
            state_.moving_side = side == 1 ? 1 : 0;
        }
        return {};
    }
    if (same_word(command, "GO")) {
        const std::size_t n = first_time_field_ ? 1 : 2;
        if (n >= field.size()) {
            return {};
        }
        return format_bestshot(choose_(state_, to_integer(field[n])));
    }
    if (same_word(command, "SCORE")) {
        // An end outside the record has no slot; the score is dropped.
        if (field.size() > 1 && state_.current_end >= 0 && state_.current_end < CURLING_MAX_ENDS) {
            state_.end_scores[state_.current_end] = to_integer(field[1]);
        }
        return {};
    }
    return {};
}

void run_protocol(int input, int output, ProtocolSession& session) {
    std::vector<char> buffer(READ_SIZE);
    for (;;) {
        const ssize_t got = read(input, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        const std::string reply =
            session.handle(std::string(buffer.data(), static_cast<std::size_t>(got)));
        if (!reply.empty()) {
            write_all(output, reply.data(), reply.size());
        }
    }
}
