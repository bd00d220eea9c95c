#pragma once

#include <string>

#include "game_result.h"
#include "match_stats.h"

// Text for people watching the match; the record is the machine's account.

// One line after each end: who scored and the running total.
std::string end_line(const GameResult& so_far, const std::string names[2]);

// The whole board of a finished game, end by end, and how it ended.
std::string game_board(const GameResult& game, const std::string names[2]);

std::string summary_text(const MatchSummary& summary, const std::string names[2]);
