#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "curling_simulator.h"
#include "match/records/turn_rules.h"

// The rules of one game, independent of processes and of the physics, so
// that each can be checked on its own. Sides are numbered as the protocol
// numbers them: player 1 is side 0 in every game, player 2 is side 1.

inline constexpr int MAX_ENDS = curling::MAX_ENDS;  // the records hold ten end scores
inline constexpr int STONES_PER_END = curling::STONES;

namespace runner {

// Turn order, hammer and the end of a game: one definition with every
// reader of the records.
using records::another_end;
using records::ending_name;
using records::first_thrower_after;
using records::first_thrower_of_game;
using records::GameEnding;
using records::hammer_side;
using records::side_to_throw;
using records::winner_from_totals;

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

}  // namespace runner
