#include "scoreboard.h"

#include <algorithm>
#include <cstdio>

namespace runner {

namespace {

std::string hex_escape(const char* prefix, unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
    return buffer;
}

// Length of the valid UTF-8 sequence at `i`, and its code point; 0 when
// the bytes there are not one (overlong forms and surrogates included).
std::size_t utf8_sequence(const std::string& text, std::size_t i, unsigned& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    std::size_t length = 0;
    unsigned minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string format(const char* pattern, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

// An Elo figure, or the infinity its expected score stands for (a score of
// 0 is minus infinity, 1 plus infinity).
std::string elo_text(const std::optional<double>& value, double score) {
    // Adding zero turns a negative zero into a plain one.
    return value ? format("%+.0f", *value + 0.0) : score <= 0.0 ? "-inf" : "+inf";
}

std::string per_end(int points, int ends) {
    return ends > 0 ? format("%.2f", static_cast<double>(points) / ends) : "-";
}

}  // namespace

std::string printable(const std::string& text) {
    std::string safe;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            safe += "\\\\";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            safe += hex_escape("\\x", c, 2);
            ++i;
        } else if (c < 0x80) {
            safe += static_cast<char>(c);
            ++i;
        } else {
            unsigned code = 0;
            const std::size_t length = utf8_sequence(text, i, code);
            if (length == 0) {
                safe += hex_escape("\\x", c, 2);
                ++i;
            } else if (code < 0xA0) {
                safe += hex_escape("\\u", code, 4);
                i += length;
            } else {
                safe.append(text, i, length);
                i += length;
            }
        }
    }
    return safe;
}

std::string end_line(const GameResult& so_far, const std::string raw_names[2]) {
    const std::string names[2] = {printable(raw_names[0]), printable(raw_names[1])};
    const EndResult& end = so_far.ends.back();
    const int end_number = static_cast<int>(so_far.ends.size());
    std::string line = "game " + std::to_string(so_far.game_index + 1) + ", end " +
                       std::to_string(end_number) + ": ";
    if (end.score == 0) {
        line += "blank";
    } else {
        const int side = end.score > 0 ? 0 : 1;
        const int points = end.score > 0 ? end.score : -end.score;
        line += names[side] + " scores " + std::to_string(points);
        if (side != end.hammer_side) {
            line += " (steal)";
        }
    }
    line += "   " + names[0] + " " + std::to_string(so_far.score[0]) + " - " +
            std::to_string(so_far.score[1]) + " " + names[1] + "\n";
    return line;
}

std::string game_board(const GameResult& game, const std::string raw_names[2]) {
    const std::string names[2] = {printable(raw_names[0]), printable(raw_names[1])};
    const std::size_t width = std::max<std::size_t>({names[0].size(), names[1].size(), 4}) + 2;
    std::string board = "Game " + std::to_string(game.game_index + 1) + "\n";
    board += padded("", width);
    for (std::size_t e = 0; e < game.ends.size(); ++e) {
        board += format("%4.0f", static_cast<double>(e + 1));
    }
    board += " | total\n";
    for (int side = 0; side < 2; ++side) {
        board += padded(names[side], width);
        for (const EndResult& end : game.ends) {
            const int points = side == 0 ? end.score : -end.score;
            std::string cell = points > 0 ? std::to_string(points) : "0";
            if (end.hammer_side == side) {
                cell += "*";
            }
            board += padded("", cell.size() < 4 ? 4 - cell.size() : 1) + cell;
        }
        board += " | " + std::to_string(game.score[side]) + "\n";
    }
    board += "(* hammer)  ";
    board += game.winner ? names[*game.winner] + " wins" : std::string("draw");
    if (game.ending != GameEnding::NORMAL && game.concerns) {
        board += std::string(" by ") + ending_name(game.ending) + " of " + names[*game.concerns] +
                 ": " + printable(game.detail);
    }
    board += "\n";
    return board;
}

std::string summary_text(const MatchSummary& summary, const std::string raw_names[2]) {
    const std::string names[2] = {printable(raw_names[0]), printable(raw_names[1])};
    std::string text = "Match: " + std::to_string(summary.games) + " games\n";
    for (int side = 0; side < 2; ++side) {
        const SideFigures& f = summary.side[side];
        text += names[side] + ": " + std::to_string(f.wins) + " wins, " + std::to_string(f.draws) +
                " draws, " + std::to_string(f.losses) + " losses, " + format("%.1f", f.game_points) +
                " game points; points " + std::to_string(f.points_for) + " for, " +
                std::to_string(f.points_against) + " against; per end with hammer " +
                per_end(f.points_with_hammer, f.ends_with_hammer) + ", without " +
                per_end(f.points_without_hammer, f.ends_without_hammer) + "; steals " +
                std::to_string(f.steals) + "; median think " +
                (f.median_think_ms ? format("%.1f ms", *f.median_think_ms) : "-") +
                (summary.rule != CURLING_RULE_NONE
                     ? "; undone by the free guard zone " + std::to_string(f.rule_undone)
                     : std::string()) +
                "\n";
    }
    text += "Ends " + std::to_string(summary.ends) + ", blank " +
            std::to_string(summary.blank_ends) + ", extra " + std::to_string(summary.extra_ends) +
            "\n";
    text += "Endings:";
    for (const auto& [name, count] : summary.endings) {
        text += " " + name + " " + std::to_string(count);
    }
    text += "\n";
    const EloEstimate& elo = summary.elo;
    text += "Elo " + names[0] + " - " + names[1] + ": ";
    if (elo.pairs == 0) {
        // No score at all is not a zero score.
        return text + "undefined (no game finished)\n";
    }
    text += elo_text(elo.elo, elo.mean_score);
    if (elo.pairs >= 2) {
        text += " (95%: " + elo_text(elo.low, elo.low_score) + " .. " + elo_text(elo.high, elo.high_score) +
                ", " + std::to_string(elo.pairs) + " pairs)\n";
    } else {
        text += " (an interval needs at least 2 game pairs)\n";
    }
    return text;
}

std::string sprt_progress(const SprtState& state) {
    return "SPRT after " + std::to_string(state.pairs) + " pairs: LLR " + format("%.3f", state.llr) +
           format(" (%.3f .. ", state.bounds.lower()) + format("%.3f)\n", state.bounds.upper());
}

std::string sprt_text(const SprtState& state) {
    const SprtBounds& b = state.bounds;
    std::string text = format("SPRT elo0 %g", b.elo0) + format(", elo1 %g", b.elo1) +
                       format(", alpha %g", b.alpha) + format(", beta %g: ", b.beta) +
                       format("LLR %.3f", state.llr) + format(" (bounds %.3f", b.lower()) +
                       format(" .. %.3f)", b.upper()) + " after " + std::to_string(state.pairs) +
                       " pairs, pentanomial";
    for (std::int64_t count : state.counts) {
        text += " " + std::to_string(count);
    }
    switch (state.decision) {
        case SprtDecision::H0:
            return text + ": H0 accepted\n";
        case SprtDecision::H1:
            return text + ": H1 accepted\n";
        case SprtDecision::NONE:
            break;
    }
    return text + ": no decision\n";
}

}  // namespace runner
