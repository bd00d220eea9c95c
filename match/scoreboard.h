#pragma once

#include <string>

#include "game_result.h"
#include "match_stats.h"
#include "sprt.h"

namespace runner {

// Text for people watching the match; the record is the machine's account.

// `text` made safe for a terminal: valid UTF-8 that prints stays as it is;
// control characters (C0, DEL, C1), bytes that are not UTF-8 and the
// backslash become escapes ("\x1b", "\xff", "\u009b", "\\"), so a
// player's bytes can neither move the cursor nor pass for other text.
std::string printable(const std::string& text);

// One line after each end: who scored and the running total.
std::string end_line(const GameResult& so_far, const std::string names[2]);

// The whole board of a finished game, end by end, and how it ended.
std::string game_board(const GameResult& game, const std::string names[2]);

std::string summary_text(const MatchSummary& summary, const std::string names[2]);

// One line as the sequential test goes: pairs counted and the LLR.
std::string sprt_progress(const SprtState& state);

// The test's bounds, counts, LLR and decision.
std::string sprt_text(const SprtState& state);

}  // namespace runner
