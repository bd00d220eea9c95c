#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator.h"
#include "strategy/sweep_worker.h"

inline constexpr std::int32_t SWEEP_STEPS = 280;
inline constexpr float SWEEP_VX_MIN = -3.5f;
inline constexpr float SWEEP_VX_MAX = 3.5f;
inline constexpr float UNRATED = -10.0f;
inline constexpr std::int32_t SPIN_GROUPS = 2;

inline constexpr std::int32_t VX_TAPS = 13;
inline constexpr float VX_SMOOTHING_WEIGHTS[VX_TAPS] = {
    0.136888f,   0.129062f,   0.108169f,    0.0858879f,   0.0533719f,   0.0314206f,   0.0164428f,
    0.00764882f, 0.00316276f, 0.00116248f,  0.000379791f, 0.000110291f, 0.0000284685f};
inline constexpr std::int32_t VY_WEIGHT_COUNT = 10;
inline constexpr float VY_SMOOTHING_WEIGHTS[VY_WEIGHT_COUNT] = {
    0.139653f,  0.131354f,  0.109299f,    0.0804583f,   0.0523968f,
    0.0301867f, 0.015385f,  0.00693665f,  0.00276671f,  0.00097619f};

// How one row of `smoothed_ratings` is formed from `vx_smoothed_ratings`.
enum class RowMixKind : std::uint8_t { COPIED, MIXED, MINUS_TEN };

inline constexpr std::int32_t MAX_MIX_TERMS = 6;

// One numerator term: row `row` weighted by VY_SMOOTHING_WEIGHTS[weight].
struct RowMixTerm {
    std::int32_t row;
    std::int32_t weight;
};

// A mixed row sums its numerator in term order and its denominator in
// `denominator` order; the two orders differ on purpose, since the plateau
// rule compares the resulting floats exactly.
struct RowMix {
    RowMixKind kind;
    std::int32_t term_count;
    RowMixTerm terms[MAX_MIX_TERMS];
    std::int32_t denominator[MAX_MIX_TERMS];
};

// What a search brings to the shared sweep and selection.
struct SweepSearch {
    std::int32_t rows;
    const float* row_vy;
    const RowMix* mixing;
    SweepWorker worker;
};

// The three rating arrays of one search call, each [spin group][row][i].
struct SweepGrid {
    std::int32_t rows;
    std::vector<float> raw_ratings;
    std::vector<float> vx_smoothed_ratings;
    std::vector<float> smoothed_ratings;

    explicit SweepGrid(std::int32_t row_count);
    std::size_t at(std::int32_t spin_group, std::int32_t row, std::int32_t i) const;
};

// vx of grid index i: the same formula the workers use.
float sweep_vx(std::int32_t i);

// Sweeps every row of the search in blocks of eight; each row of the grid is
// reset (raw to UNRATED, the others to 0) just before it is swept.
void sweep_grid(const SweepSearch& search, const _GAMESTATE& state, SweepGrid& grid);

void fill_unrated(SweepGrid& grid, float standing_rating);
void smooth_along_vx(SweepGrid& grid);
void mix_rows(SweepGrid& grid, const RowMix* mixing);
// The largest of -10.0 and every smoothed value; NaN never wins.
float best_value(const SweepGrid& grid);
// Writes `out` for the middle of the widest judged plateau of `best`; writes
// nothing when every value equals `best`. True when it wrote.
bool select_plateau(const SweepGrid& grid, const float* row_vy, float best, ShotVector* out);

// A copy of what one search computed, for tools that show a decision. The
// search fills it only when given one and computes exactly the same either
// way: the copies are taken after the values they copy are final.
struct SearchTrace {
    const SweepSearch* search = nullptr;  // which search ran; null when none did
    float standing_rating = 0.0f;
    std::vector<float> swept;  // raw ratings as swept, UNRATED where not simulated
    SweepGrid grid{0};         // all three arrays once the shot was selected
};

// Fill, smoothing, mixing, best value and selection, in that order. `out` is
// first set to a draw to the tee so it holds a real shot even when the
// selection writes nothing.
void finish_search(const SweepSearch& search, float standing_rating, SweepGrid& grid,
                   ShotVector* out);
