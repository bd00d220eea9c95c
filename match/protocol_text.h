#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator.h"

namespace runner {

// The text of the commands the runner sends and of the replies it reads.
// Each command is one line ending in a line feed.

std::string format_position(const GAMESTATE& state);
std::string format_setstate(int shot_number, int current_end, int last_end, int side_to_move);
std::string format_go(std::int64_t time_side0_ms, std::int64_t time_side1_ms);
std::string format_score(int end_score);

// Shortest decimal text that reads back as the same float, so a player sees
// exactly the position the runner holds.
std::string format_float(float value);

// Largest speed component accepted from a player, in the library's 0.1 m/s:
// far above any throw, low enough that the physics is never fed a runaway.
inline constexpr double MAX_SHOT_COMPONENT = 1000.0;

struct ParsedShot {
    bool ok = false;
    ShotVector shot{};
    std::string error;  // why the reply was refused, when not ok
};

// Reads "BESTSHOT vx vy spin". The reply has no line end; trailing spaces or
// a line end are tolerated, anything else after the spin is refused.
ParsedShot parse_bestshot(const std::string& reply);

enum class ReplyProgress { INCOMPLETE, COMPLETE };

// Whether the bytes received so far can still grow into a reply or must be
// judged now: a line end, four tokens, or a first word that cannot begin
// "BESTSHOT" end the wait.
ReplyProgress reply_progress(const std::string& received);

// Splits a command line into words: spaces separate, single and double
// quotes group, a backslash escapes the next character. False on an
// unterminated quote or an empty command.
bool split_command_line(const std::string& line, std::vector<std::string>& words);

}  // namespace runner
