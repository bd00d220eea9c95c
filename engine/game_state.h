#pragma once

#include <cstddef>
#include <cstdint>

// These records cross the simulator library's binary interface: their byte
// layouts are fixed and checked below.

struct StonePosition {
    float x;
    float y;
};

struct _GAMESTATE {
    std::int32_t shot_number;
    std::int32_t current_end;
    std::int32_t last_end;
    std::int32_t end_scores[10];
    std::uint8_t moving_side;
    StonePosition stones[16];
};

struct ShotVector {
    float vx;
    float vy;
    std::uint8_t spin;
};

struct ShotTarget {
    float x;
    float y;
    std::uint8_t spin;
};

static_assert(sizeof(StonePosition) == 8);
static_assert(offsetof(StonePosition, x) == 0);
static_assert(offsetof(StonePosition, y) == 4);

static_assert(sizeof(_GAMESTATE) == 184);
static_assert(offsetof(_GAMESTATE, shot_number) == 0);
static_assert(offsetof(_GAMESTATE, current_end) == 4);
static_assert(offsetof(_GAMESTATE, last_end) == 8);
static_assert(offsetof(_GAMESTATE, end_scores) == 12);
static_assert(offsetof(_GAMESTATE, moving_side) == 52);
static_assert(offsetof(_GAMESTATE, stones) == 56);

static_assert(sizeof(ShotVector) == 12);
static_assert(offsetof(ShotVector, vx) == 0);
static_assert(offsetof(ShotVector, vy) == 4);
static_assert(offsetof(ShotVector, spin) == 8);

static_assert(sizeof(ShotTarget) == 12);
static_assert(offsetof(ShotTarget, x) == 0);
static_assert(offsetof(ShotTarget, y) == 4);
static_assert(offsetof(ShotTarget, spin) == 8);

// The game as the protocol commands have described it; written only by the
// command handler.
extern _GAMESTATE engine_state;
// 1 when "GO"'s first time field belongs to the side to move.
extern std::uint8_t use_first_time_field;
