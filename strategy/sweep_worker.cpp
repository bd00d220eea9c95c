#include "strategy/sweep_worker.h"

#include <array>
#include <thread>

#include "simulator/simulator_binding.h"
#include "strategy/geometry.h"

std::mutex results_mutex;

namespace {

constexpr float SWEEP_SPREAD = 0.0f;
constexpr std::uint32_t SIMULATION_RESERVED = 0;
constexpr std::int32_t SIMULATION_LIMIT = -1;
// Ends with a stored score; a larger `current_end` must not read past them.
constexpr std::int32_t SCORED_ENDS = 10;

ShotVector candidate_shot(std::int32_t index, std::int32_t spin_flag, float vx_first,
                          float vx_last, std::int32_t steps, float row_vy) {
    const std::uint8_t spin = spin_flag != 0 ? 1 : 0;
    return ShotVector{candidate_vx(index, steps, vx_first, vx_last), row_vy, spin};
}

// Plays the candidate on a private copy of the position; false, with nothing
// simulated, when the velocity window rejects it.
bool simulate_candidate(std::int32_t index, std::int32_t spin_flag, float vx_first, float vx_last,
                        std::int32_t steps, float row_vy, const _GAMESTATE& state,
                        _GAMESTATE& copy) {
    copy = state;
    const ShotVector shot = candidate_shot(index, spin_flag, vx_first, vx_last, steps, row_vy);
    if (!shot_allowed(shot)) {
        return false;
    }
    simulator.Simulation(&copy, shot, SWEEP_SPREAD, SIMULATION_RESERVED, SIMULATION_LIMIT);
    return true;
}

void store_rating(float* slot, float rating) {
    const std::lock_guard<std::mutex> lock(results_mutex);
    *slot = rating;
}

}  // namespace

float candidate_vx(std::int32_t index, std::int32_t steps, float vx_first, float vx_last) {
    const float before = static_cast<float>(steps - index - 1);
    const float after = static_cast<float>(index);
    const float span = static_cast<float>(steps - 1);
    return (before * vx_first + after * vx_last) / span;
}

bool shot_allowed(ShotVector shot) {
    const float vx = shot.vx;
    const float vy = shot.vy;
    if (shot.spin != 0) {
        if (vy > -35.0f) {
            return vx >= -2.0f && vx <= 3.0f;
        }
        if (vy > -45.0f) {
            return vx >= -2.5f && vx <= 3.0f;
        }
        return vx >= -3.0f;
    }
    if (vy > -35.0f) {
        return vx >= -3.0f && vx <= 2.0f;
    }
    if (vy > -45.0f) {
        return vx >= -3.0f && vx <= 2.5f;
    }
    return vx <= 3.0f;
}

float end_score_rating(std::int32_t score, const _GAMESTATE& before) {
    float rating = static_cast<float>(score);
    if (before.moving_side != 0) {
        rating = rating * -1.0f;
    }
    // Summed wide: ten hostile "SCORE" values cannot overflow the margin.
    const std::int32_t ends = before.current_end < SCORED_ENDS ? before.current_end : SCORED_ENDS;
    std::int64_t lead = 0;
    for (std::int32_t k = 0; k < ends; ++k) {
        lead += before.end_scores[k];
    }
    if (before.moving_side != 0) {
        lead = -lead;
    }
    if (before.current_end % 2 == 0 && rating == 0.0f && lead >= 0) {
        rating = BLANK_END_RATING;
    }
    if (before.current_end == 6 && rating == 0.0f && lead < 0) {
        rating = BLANK_END_RATING;
    }
    return rating;
}

void sweep_worker_evaluation(std::int32_t index, std::int32_t, std::int32_t spin_flag,
                             float vx_first, float vx_last, std::int32_t steps, float row_vy,
                             const _GAMESTATE* state, float* slot) {
    _GAMESTATE copy;
    if (!simulate_candidate(index, spin_flag, vx_first, vx_last, steps, row_vy, *state, copy)) {
        return;
    }
    // Back to the thrower's shot number: the stone just thrown counts as the
    // mover's.
    copy.shot_number = state->shot_number;
    store_rating(slot, evaluate_position(copy));
}

void sweep_worker_score(std::int32_t index, std::int32_t, std::int32_t spin_flag, float vx_first,
                        float vx_last, std::int32_t steps, float row_vy, const _GAMESTATE* state,
                        float* slot) {
    _GAMESTATE copy;
    if (!simulate_candidate(index, spin_flag, vx_first, vx_last, steps, row_vy, *state, copy)) {
        return;
    }
    copy.current_end = state->current_end;
    copy.shot_number = state->shot_number;
    copy.moving_side = state->moving_side;
    const std::int32_t score = simulator.GetScore(&copy);
    store_rating(slot, end_score_rating(score, *state));
}

void sweep_block(const SweepRow& sweep_row, std::int32_t first_index) {
    const SweepRow& r = sweep_row;
    // Thread and mutex failures are not caught: a thread still joinable when
    // such an exception unwinds this frame ends the process.
    std::array<std::thread, SWEEP_BLOCK - 1> workers;
    for (std::int32_t k = 1; k < SWEEP_BLOCK; ++k) {
        const std::int32_t index = first_index + k;
        workers[static_cast<std::size_t>(k - 1)] =
            std::thread(r.worker, index, r.row, r.spin_flag, r.vx_first, r.vx_last, r.steps,
                        r.row_vy, r.state, r.slots + index);
    }
    r.worker(first_index, r.row, r.spin_flag, r.vx_first, r.vx_last, r.steps, r.row_vy, r.state,
             r.slots + first_index);
    for (std::thread& worker : workers) {
        worker.join();
    }
}
