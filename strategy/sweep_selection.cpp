#include "strategy/sweep_selection.h"

#include <algorithm>

#include "simulator/simulator_binding.h"
#include "strategy/geometry.h"

SweepGrid::SweepGrid(std::int32_t row_count)
    : rows(row_count),
      raw_ratings(static_cast<std::size_t>(SPIN_GROUPS * row_count * SWEEP_STEPS), UNRATED),
      vx_smoothed_ratings(raw_ratings.size(), 0.0f),
      smoothed_ratings(raw_ratings.size(), 0.0f) {}

std::size_t SweepGrid::at(std::int32_t spin_group, std::int32_t row, std::int32_t i) const {
    return static_cast<std::size_t>((spin_group * rows + row) * SWEEP_STEPS + i);
}

float sweep_vx(std::int32_t i) {
    return candidate_vx(i, SWEEP_STEPS, SWEEP_VX_MIN, SWEEP_VX_MAX);
}

void sweep_grid(const SweepSearch& search, const _GAMESTATE& state, SweepGrid& grid) {
    for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
        for (std::int32_t r = 0; r < search.rows; ++r) {
            const std::size_t first = grid.at(s, r, 0);
            std::fill_n(grid.raw_ratings.begin() + static_cast<std::ptrdiff_t>(first), SWEEP_STEPS,
                        UNRATED);
            std::fill_n(grid.vx_smoothed_ratings.begin() + static_cast<std::ptrdiff_t>(first),
                        SWEEP_STEPS, 0.0f);
            std::fill_n(grid.smoothed_ratings.begin() + static_cast<std::ptrdiff_t>(first),
                        SWEEP_STEPS, 0.0f);
            SweepRow row{};
            row.worker = search.worker;
            row.row = r;
            row.spin_flag = s;
            row.vx_first = SWEEP_VX_MIN;
            row.vx_last = SWEEP_VX_MAX;
            row.steps = SWEEP_STEPS;
            row.row_vy = search.row_vy[r];
            row.state = &state;
            row.slots = grid.raw_ratings.data() + first;
            for (std::int32_t k = 0; k < SWEEP_STEPS; k += SWEEP_BLOCK) {
                sweep_block(row, k);
            }
        }
    }
}

void fill_unrated(SweepGrid& grid, float standing_rating) {
    // A genuine rating of exactly -10.0 is indistinguishable and filled too.
    for (float& rating : grid.raw_ratings) {
        if (rating == UNRATED) {
            rating = standing_rating;
        }
    }
}

void smooth_along_vx(SweepGrid& grid) {
    for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
        for (std::int32_t r = 0; r < grid.rows; ++r) {
            const float* raw = grid.raw_ratings.data() + grid.at(s, r, 0);
            float* smoothed = grid.vx_smoothed_ratings.data() + grid.at(s, r, 0);
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                float num = 0.0f;
                float den = 0.0f;
                for (std::int32_t d = -(VX_TAPS - 1); d <= VX_TAPS - 1; ++d) {
                    const std::int32_t j = i + d;
                    if (j < 0 || j >= SWEEP_STEPS) {
                        continue;
                    }
                    const float weight = VX_SMOOTHING_WEIGHTS[d < 0 ? -d : d];
                    num = num + raw[j] * weight;
                    den = den + weight;
                }
                smoothed[i] = num / den;
            }
        }
    }
}

void mix_rows(SweepGrid& grid, const RowMix* mixing) {
    for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
        for (std::int32_t r = 0; r < grid.rows; ++r) {
            const RowMix& mix = mixing[r];
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                float& target = grid.smoothed_ratings[grid.at(s, r, i)];
                if (mix.kind == RowMixKind::COPIED) {
                    target = grid.vx_smoothed_ratings[grid.at(s, r, i)];
                    continue;
                }
                if (mix.kind == RowMixKind::MINUS_TEN) {
                    target = -10.0f;
                    continue;
                }
                float num = 0.0f;
                float den = 0.0f;
                for (std::int32_t t = 0; t < mix.term_count; ++t) {
                    const RowMixTerm term = mix.terms[t];
                    num = num + grid.vx_smoothed_ratings[grid.at(s, term.row, i)] *
                                    VY_SMOOTHING_WEIGHTS[term.weight];
                    den = den + VY_SMOOTHING_WEIGHTS[mix.denominator[t]];
                }
                target = num / den;
            }
        }
    }
}

float best_value(const SweepGrid& grid) {
    float best = -10.0f;
    for (const float value : grid.smoothed_ratings) {
        if (value > best) {
            best = value;
        }
    }
    return best;
}

bool select_plateau(const SweepGrid& grid, const float* row_vy, float best, ShotVector* out) {
    // `best_run` starts at 0, so values met before the first judged run each
    // write `out` as a run of length 0; the first judged run overwrites them.
    std::int32_t best_run = 0;
    bool wrote = false;
    for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
        for (std::int32_t r = 0; r < grid.rows; ++r) {
            std::int32_t run = 0;
            std::int32_t start = 0;
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                if (grid.smoothed_ratings[grid.at(s, r, i)] == best) {
                    if (run == 0) {
                        start = i;
                    }
                    run = run + 1;
                    continue;
                }
                // Equal lengths replace: ties go to the last run in scan order.
                if (run >= best_run) {
                    best_run = run;
                    const std::int32_t mid = (start + i - 1) / 2;
                    *out = ShotVector{sweep_vx(mid), row_vy[r], static_cast<std::uint8_t>(s != 0)};
                    wrote = true;
                }
                run = 0;
            }
            // A run still open at the row's end is dropped unjudged.
        }
    }
    return wrote;
}

void finish_search(const SweepSearch& search, float standing_rating, SweepGrid& grid,
                   ShotVector* out) {
    fill_unrated(grid, standing_rating);
    smooth_along_vx(grid);
    mix_rows(grid, search.mixing);
    const float best = best_value(grid);
    simulator.CreateShot(ShotTarget{TEE_X, TEE_Y, 0}, out);
    select_plateau(grid, search.row_vy, best, out);
}
