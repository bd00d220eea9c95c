#include "game_state.h"

_GAMESTATE engine_state{};
std::uint8_t use_first_time_field = 0;
