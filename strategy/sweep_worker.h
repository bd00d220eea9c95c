#pragma once

#include <cstdint>
#include <mutex>

#include "curling_simulator.h"

// Guards every store of a rating into a search's result array, and nothing
// else.
extern std::mutex results_mutex;

// The end-score rating of a blank end when blanking keeps the hammer.
inline constexpr float BLANK_END_RATING = 1.5f;

// Candidates per fan-out block: seven worker threads plus the calling thread.
inline constexpr std::int32_t SWEEP_BLOCK = 8;

// The worker contract shared by both searches. `row` is carried along for
// the search and not read; `state` is shared and only read; `slot` is
// written at most once, under `results_mutex`, and only when the candidate
// was simulated.
using SweepWorker = void (*)(std::int32_t index, std::int32_t row, std::int32_t spin_flag,
                             float vx_first, float vx_last, std::int32_t steps, float row_vy,
                             const _GAMESTATE* state, float* slot);

// vx of candidate `index` of a row interpolated from `vx_first` to
// `vx_last`; `steps` is at least 2.
float candidate_vx(std::int32_t index, std::int32_t steps, float vx_first, float vx_last);

// The velocity window: faster shots may start wider, spin 0 mirrors spin 1.
bool shot_allowed(ShotVector shot);

// End score of a simulated or standing position from the side to move,
// with a blank end made worth `BLANK_END_RATING` where that side wants one.
// `before` supplies the end, the side and the earlier ends' scores.
float end_score_rating(std::int32_t score, const _GAMESTATE& before);

void sweep_worker_evaluation(std::int32_t index, std::int32_t row, std::int32_t spin_flag,
                             float vx_first, float vx_last, std::int32_t steps, float row_vy,
                             const _GAMESTATE* state, float* slot);

void sweep_worker_score(std::int32_t index, std::int32_t row, std::int32_t spin_flag,
                        float vx_first, float vx_last, std::int32_t steps, float row_vy,
                        const _GAMESTATE* state, float* slot);

// One row of a search as the fan-out sees it; `slots` is the row's part of
// `raw_ratings`, one slot per index.
struct SweepRow {
    SweepWorker worker;
    std::int32_t row;
    std::int32_t spin_flag;
    float vx_first;
    float vx_last;
    std::int32_t steps;
    float row_vy;
    const _GAMESTATE* state;
    float* slots;
};

// Rates candidates first_index .. first_index + 7: seven started threads in
// index order, the first candidate on the calling thread, then the joins in
// start order. No thread outlives the call.
void sweep_block(const SweepRow& sweep_row, std::int32_t first_index);
