#pragma once

#include <optional>

// Who throws, who holds the hammer, when a game is over and how it ended:
// the rules that both the runner (while it plays) and every reader of a
// record (when it checks a game) apply, so they cannot disagree. Sides are
// numbered as the protocol numbers them: player 1 is side 0 in every game,
// player 2 is side 1.

namespace records {

enum class GameEnding { NORMAL, TIME_FORFEIT, CRASH, STALL, MALFORMED_SHOT };

const char* ending_name(GameEnding ending);
std::optional<GameEnding> ending_from_name(const char* name);

// Side that throws the first stone of a game's first end: the hammer
// alternates from game to game, so each pair of games gives it to both.
int first_thrower_of_game(long long game_index);

// Side that throws stone `shot_number` of an end that `first_thrower` opened.
int side_to_throw(int first_thrower, int shot_number);

// The side that throws last holds the hammer.
int hammer_side(int first_thrower);

// The side that scored throws first next end; a blank end keeps the order.
// `end_score` is positive when side 0 scored.
int first_thrower_after(int first_thrower, int end_score);

// Whether another end is played after `ends_played` ends of a game of
// `regular_ends`: every regular end, then extra ends while the game is tied
// and the records still have room.
bool another_end(int regular_ends, int ends_played, int total_side0, int total_side1);

// Winning side from the totals, or nothing for a draw.
std::optional<int> winner_from_totals(int total_side0, int total_side1);

}  // namespace records
