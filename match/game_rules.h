#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "curling_simulator.h"

// The rules of one game, independent of processes and of the physics, so
// that each can be checked on its own. Sides are numbered as the protocol
// numbers them: player 1 is side 0 in every game, player 2 is side 1.

inline constexpr int MAX_ENDS = CURLING_MAX_ENDS;  // the records hold ten end scores
inline constexpr int STONES_PER_END = CURLING_STONES;
inline constexpr float TEE_X = static_cast<float>(CURLING_CENTRE_X);
inline constexpr float TEE_Y = static_cast<float>(CURLING_TEE_Y);
inline constexpr float STONE_RADIUS = static_cast<float>(CURLING_STONE_RADIUS);
inline constexpr float SHEET_WIDTH = static_cast<float>(CURLING_SHEET_WIDTH);
inline constexpr float BACK_LINE_Y = static_cast<float>(CURLING_BACK_LINE_Y);

enum class GameEnding { NORMAL, TIME_FORFEIT, CRASH, STALL, MALFORMED_SHOT };

const char* ending_name(GameEnding ending);

// Side that throws the first stone of a game's first end: the hammer
// alternates from game to game, so each pair of games gives it to both.
int first_thrower_of_game(int game_index);

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

// Clears every stone slot that no longer holds a stone in play. The physics
// removes stones itself; this only guards against positions it could not
// have meant, so a nonsense coordinate never reaches a player.
void remove_stones_out_of_play(GAMESTATE& state);

// Both sides' thinking time for one game, in microseconds.
struct GameClock {
    std::int64_t remaining_us[2];
};

GameClock make_clock(std::int64_t clock_ms);
// Deducts a measured think; true while the side still has time left.
bool charge_clock(GameClock& clock, int side, std::int64_t elapsed_us);
// What "GO" reports: whole milliseconds, never negative.
std::int64_t remaining_ms(const GameClock& clock, int side);
