#pragma once

#include <cstdint>

// The records (`_GAMESTATE`, `ShotVector`, `ShotTarget`, `StonePosition`)
// are those of the simulator library's binary interface; their layouts are
// fixed and checked in its header.
#include "curling_simulator.h"

// The game as the protocol commands have described it; written only by the
// command handler.
extern _GAMESTATE engine_state;
// 1 when "GO"'s first time field belongs to the side to move.
extern std::uint8_t use_first_time_field;
