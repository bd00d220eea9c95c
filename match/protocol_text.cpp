#include "protocol_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace runner {

std::string format_float(float value) {
    char buffer[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
}

std::string format_position(const GAMESTATE& state) {
    std::string line = "POSITION";
    for (const StonePosition& stone : state.stones) {
        line += ' ';
        line += format_float(stone.x);
        line += ' ';
        line += format_float(stone.y);
    }
    line += '\n';
    return line;
}

std::string format_setstate(int shot_number, int current_end, int last_end, int side_to_move) {
    return "SETSTATE " + std::to_string(shot_number) + ' ' + std::to_string(current_end) + ' ' +
           std::to_string(last_end) + ' ' + std::to_string(side_to_move) + '\n';
}

std::string format_go(std::int64_t time_side0_ms, std::int64_t time_side1_ms) {
    return "GO " + std::to_string(time_side0_ms) + ' ' + std::to_string(time_side1_ms) + '\n';
}

std::string format_score(int end_score) { return "SCORE " + std::to_string(end_score) + '\n'; }

namespace {

std::vector<std::string> tokens_of(const std::string& text) {
    std::vector<std::string> tokens;
    std::istringstream stream(text);
    std::string token;
    while (stream >> token) {
        tokens.push_back(token);
    }
    return tokens;
}

std::string first_line(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

bool read_component(const std::string& token, float& out) {
    const char* begin = token.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(value) ||
        std::fabs(value) > MAX_SHOT_COMPONENT) {
        return false;
    }
    out = static_cast<float>(value);
    return true;
}

}  // namespace

ParsedShot parse_bestshot(const std::string& reply) {
    ParsedShot parsed;
    const std::string line = first_line(reply);
    const std::string after_line = reply.substr(line.size());
    if (after_line.find_first_not_of("\r\n \t") != std::string::npos) {
        parsed.error = "text after the reply";
        return parsed;
    }
    const std::vector<std::string> tokens = tokens_of(line);
    if (tokens.size() != 4 || tokens[0] != "BESTSHOT") {
        parsed.error = "not a BESTSHOT reply";
        return parsed;
    }
    if (!read_component(tokens[1], parsed.shot.vx) || !read_component(tokens[2], parsed.shot.vy)) {
        parsed.error = "velocity not a finite number within range";
        return parsed;
    }
    if (tokens[3] != "0" && tokens[3] != "1") {
        parsed.error = "spin other than 0 or 1";
        return parsed;
    }
    parsed.shot.spin = tokens[3] == "1" ? 1 : 0;
    parsed.ok = true;
    return parsed;
}

ReplyProgress reply_progress(const std::string& received) {
    if (received.find_first_of("\r\n") != std::string::npos) {
        return ReplyProgress::COMPLETE;
    }
    const std::vector<std::string> tokens = tokens_of(received);
    if (tokens.size() >= 4) {
        return ReplyProgress::COMPLETE;
    }
    if (!tokens.empty()) {
        static const std::string WORD = "BESTSHOT";
        const std::string& first = tokens[0];
        const bool word_done = tokens.size() > 1 || received.back() == ' ';
        if (first.size() > WORD.size() || WORD.compare(0, first.size(), first) != 0 ||
            (word_done && first != WORD)) {
            return ReplyProgress::COMPLETE;
        }
    }
    return ReplyProgress::INCOMPLETE;
}

bool split_command_line(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool in_word = false;
    char quote = '\0';
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote != '\0') {
            if (c == quote) {
                quote = '\0';
            } else if (c == '\\' && quote == '"' && i + 1 < line.size()) {
                word += line[++i];
            } else {
                word += c;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            in_word = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            in_word = true;
        } else if (c == ' ' || c == '\t') {
            if (in_word) {
                words.push_back(word);
                word.clear();
                in_word = false;
            }
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quote != '\0') {
        return false;
    }
    if (in_word) {
        words.push_back(word);
    }
    return !words.empty();
}

}  // namespace runner
