#include "choose_shot.h"

namespace {
constexpr ShotVector DEFAULT_SHOT{-3.33f, -33.3f, 0};
}

void choose_shot(const _GAMESTATE* state, ShotVector* out, std::int32_t remaining_time) {
    (void)state;
    (void)remaining_time;
    *out = DEFAULT_SHOT;
}
