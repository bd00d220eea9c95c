#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <initializer_list>

#include "strategy/last_stone_search.h"
#include "strategy/mid_end_search.h"
#include "strategy/sweep_selection.h"

namespace {

constexpr float K_SUM_HALF = 0.136888f + 0.129062f + 0.108169f + 0.0858879f + 0.0533719f +
                             0.0314206f + 0.0164428f + 0.00764882f + 0.00316276f + 0.00116248f +
                             0.000379791f + 0.000110291f + 0.0000284685f;

TEST(Smoothing, FillReplacesOnlyExactUnrated) {
    SweepGrid grid(1);
    grid.raw_ratings.assign(grid.raw_ratings.size(), 0.25f);
    grid.raw_ratings[3] = UNRATED;
    grid.raw_ratings[4] = std::nextafter(UNRATED, 0.0f);
    fill_unrated(grid, 0.75f);
    EXPECT_EQ(grid.raw_ratings[3], 0.75f);
    EXPECT_EQ(grid.raw_ratings[4], std::nextafter(UNRATED, 0.0f));
    EXPECT_EQ(grid.raw_ratings[5], 0.25f);
}

TEST(Smoothing, DivisorShrinksAtTheRowEnds) {
    SweepGrid grid(1);
    grid.raw_ratings.assign(grid.raw_ratings.size(), 0.0f);
    grid.raw_ratings[grid.at(0, 0, 0)] = 1.0f;
    grid.raw_ratings[grid.at(1, 0, 279)] = 1.0f;
    smooth_along_vx(grid);
    const double half = static_cast<double>(K_SUM_HALF);
    const double full = 2.0 * half - 0.136888;
    // At a row end only thirteen taps exist.
    EXPECT_NEAR(grid.vx_smoothed_ratings[grid.at(0, 0, 0)], 0.136888 / half, 1e-6);
    EXPECT_NEAR(grid.vx_smoothed_ratings[grid.at(1, 0, 279)], 0.136888 / half, 1e-6);
    EXPECT_NEAR(grid.vx_smoothed_ratings[grid.at(0, 0, 1)], 0.129062 / (half + 0.129062), 1e-6);
    // Twelve away every tap exists; thirteen away the stone is out of reach.
    EXPECT_NEAR(grid.vx_smoothed_ratings[grid.at(0, 0, 12)], 0.0000284685 / full, 1e-9);
    EXPECT_EQ(grid.vx_smoothed_ratings[grid.at(0, 0, 13)], 0.0f);
    EXPECT_NEAR(grid.vx_smoothed_ratings[grid.at(1, 0, 267)], 0.0000284685 / full, 1e-9);
    // A constant row stays exactly constant: the divisor matches the taps.
    grid.raw_ratings.assign(grid.raw_ratings.size(), 0.3f);
    smooth_along_vx(grid);
    for (std::int32_t i : {0, 5, 12, 140, 267, 275, 279}) {
        EXPECT_FLOAT_EQ(grid.vx_smoothed_ratings[grid.at(0, 0, i)], 0.3f) << i;
    }
}

// Values in -1..1 that differ from slot to slot in their low bits.
float spread_value(std::int32_t row, std::int32_t i) {
    return static_cast<float>(((row + 3) * (i + 7) * 7919) % 2003) / 1001.0f - 1.0f;
}

// The plateau rule compares smoothed values exactly, so the taps are summed
// from d = -12 upward as stated; summing from the other end, or folding
// the symmetric taps together, gives other floats in some slots.
TEST(Smoothing, TapsAreSummedFromTheLeft) {
    SweepGrid grid(2);
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t r = 0; r < 2; ++r) {
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                grid.raw_ratings[grid.at(s, r, i)] = spread_value(2 * s + r, i);
            }
        }
    }
    smooth_along_vx(grid);
    std::int32_t reversed_differs = 0;
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t r = 0; r < 2; ++r) {
            const float* raw = grid.raw_ratings.data() + grid.at(s, r, 0);
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                float num = 0.0f;
                float den = 0.0f;
                float reversed_num = 0.0f;
                float reversed_den = 0.0f;
                for (std::int32_t d = -12; d <= 12; ++d) {
                    if (i + d >= 0 && i + d < SWEEP_STEPS) {
                        num = num + raw[i + d] * VX_SMOOTHING_WEIGHTS[std::abs(d)];
                        den = den + VX_SMOOTHING_WEIGHTS[std::abs(d)];
                    }
                    if (i - d >= 0 && i - d < SWEEP_STEPS) {
                        reversed_num = reversed_num + raw[i - d] * VX_SMOOTHING_WEIGHTS[std::abs(d)];
                        reversed_den = reversed_den + VX_SMOOTHING_WEIGHTS[std::abs(d)];
                    }
                }
                ASSERT_EQ(grid.vx_smoothed_ratings[grid.at(s, r, i)], num / den)
                    << s << " " << r << " " << i;
                if (reversed_num / reversed_den != num / den) {
                    ++reversed_differs;
                }
            }
        }
    }
    EXPECT_GT(reversed_differs, 0);
}

void set_rows(SweepGrid& grid, std::int32_t i, std::initializer_list<float> values) {
    std::int32_t r = 0;
    for (float value : values) {
        grid.vx_smoothed_ratings[grid.at(1, r++, i)] = value;
    }
}

TEST(RowMixing, LastStoneRowsFollowTheirPrintedSums) {
    SweepGrid grid(LAST_STONE_ROWS);
    const float v[9] = {0.9f, 0.8f, 0.7f, 0.61f, 1.37f, -0.45f, 2.2f, 0.05f, -1.3f};
    set_rows(grid, 7, {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]});
    mix_rows(grid, LAST_STONE_MIXING);
    const float* w = VY_SMOOTHING_WEIGHTS;
    const float row5 = (((((0.0f + w[7] * v[3]) + w[3] * v[4]) + w[0] * v[5]) + w[4] * v[6]) +
                        w[5] * v[7] + w[9] * v[8]) /
                       (w[0] + w[3] + w[4] + w[5] + w[7] + w[9]);
    EXPECT_EQ(grid.smoothed_ratings[grid.at(1, 5, 7)], row5);
    const float row4 = (w[4] * v[3] + w[0] * v[4] + w[3] * v[5] + w[7] * v[6] + w[8] * v[7]) /
                       (w[0] + w[3] + w[4] + w[7] + w[8]);
    EXPECT_EQ(grid.smoothed_ratings[grid.at(1, 4, 7)], row4);
    const float row6 = (w[7] * v[4] + w[4] * v[5] + w[0] * v[6] + w[1] * v[7] + w[5] * v[8]) /
                       (w[0] + w[1] + w[4] + w[5] + w[7]);
    EXPECT_EQ(grid.smoothed_ratings[grid.at(1, 6, 7)], row6);
    const float row3 = (w[0] * v[3] + w[4] * v[4] + w[7] * v[5]) / (w[0] + w[4] + w[7]);
    EXPECT_EQ(grid.smoothed_ratings[grid.at(1, 3, 7)], row3);
    for (std::int32_t r : {0, 1, 2}) {
        EXPECT_EQ(grid.smoothed_ratings[grid.at(1, r, 7)], v[r]);
    }
    EXPECT_EQ(grid.smoothed_ratings[grid.at(1, 7, 7)], -10.0f);
    EXPECT_EQ(grid.smoothed_ratings[grid.at(0, 8, 200)], -10.0f);
    // Summing row 5's divisor in numerator order gives another float, so the
    // check above tells the two apart.
    EXPECT_NE(w[0] + w[3] + w[4] + w[5] + w[7] + w[9], w[7] + w[3] + w[0] + w[4] + w[5] + w[9]);
}

TEST(RowMixing, MidEndRowsUseEntriesZeroFiveEightNine) {
    SweepGrid grid(MID_END_ROWS);
    const float v[6] = {0.4f, -0.2f, 0.33f, 0.71f, -0.58f, 0.125f};
    set_rows(grid, 100, {v[0], v[1], v[2], v[3], v[4], v[5]});
    mix_rows(grid, MID_END_MIXING);
    const float* w = VY_SMOOTHING_WEIGHTS;
    auto at = [&](std::int32_t r) { return grid.smoothed_ratings[grid.at(1, r, 100)]; };
    EXPECT_EQ(at(0), v[0]);
    EXPECT_EQ(at(1), v[1]);
    EXPECT_EQ(at(2), (v[2] * w[0] + v[3] * w[9]) / (w[0] + w[9]));
    EXPECT_EQ(at(3), (v[2] * w[9] + v[3] * w[0] + v[4] * w[8]) / (w[0] + w[8] + w[9]));
    EXPECT_EQ(at(4), (v[3] * w[8] + v[4] * w[0] + v[5] * w[5]) / (w[0] + w[5] + w[8]));
    EXPECT_EQ(at(5), (v[4] * w[5] + v[5] * w[0]) / (w[0] + w[5]));
}

// Every column holds other values, so a term summed out of its printed
// place shows in some of them.
TEST(RowMixing, EveryColumnFollowsThePrintedSums) {
    const float* w = VY_SMOOTHING_WEIGHTS;
    SweepGrid last(LAST_STONE_ROWS);
    SweepGrid mid(MID_END_ROWS);
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
            for (std::int32_t r = 0; r < LAST_STONE_ROWS; ++r) {
                last.vx_smoothed_ratings[last.at(s, r, i)] = spread_value(r + 9 * s, i);
            }
            for (std::int32_t r = 0; r < MID_END_ROWS; ++r) {
                mid.vx_smoothed_ratings[mid.at(s, r, i)] = spread_value(r + 6 * s, i);
            }
        }
    }
    mix_rows(last, LAST_STONE_MIXING);
    mix_rows(mid, MID_END_MIXING);
    std::int32_t reordered_differs = 0;
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
            float v[LAST_STONE_ROWS];
            for (std::int32_t r = 0; r < LAST_STONE_ROWS; ++r) {
                v[r] = last.vx_smoothed_ratings[last.at(s, r, i)];
            }
            auto mixed = [&](std::int32_t r) { return last.smoothed_ratings[last.at(s, r, i)]; };
            EXPECT_EQ(mixed(2), v[2]);
            ASSERT_EQ(mixed(3), (w[0] * v[3] + w[4] * v[4] + w[7] * v[5]) / (w[0] + w[4] + w[7]))
                << s << " " << i;
            ASSERT_EQ(mixed(4), (w[4] * v[3] + w[0] * v[4] + w[3] * v[5] + w[7] * v[6] +
                                 w[8] * v[7]) /
                                    (w[0] + w[3] + w[4] + w[7] + w[8]))
                << s << " " << i;
            const float row5 = (w[7] * v[3] + w[3] * v[4] + w[0] * v[5] + w[4] * v[6] +
                                w[5] * v[7] + w[9] * v[8]) /
                               (w[0] + w[3] + w[4] + w[5] + w[7] + w[9]);
            ASSERT_EQ(mixed(5), row5) << s << " " << i;
            ASSERT_EQ(mixed(6), (w[7] * v[4] + w[4] * v[5] + w[0] * v[6] + w[1] * v[7] +
                                 w[5] * v[8]) /
                                    (w[0] + w[1] + w[4] + w[5] + w[7]))
                << s << " " << i;
            EXPECT_EQ(mixed(8), -10.0f);
            const float row5_reordered = (w[7] * v[3] + w[3] * v[4] + w[4] * v[6] +
                                          w[0] * v[5] + w[5] * v[7] + w[9] * v[8]) /
                                         (w[0] + w[3] + w[4] + w[5] + w[7] + w[9]);
            if (row5_reordered != row5) {
                ++reordered_differs;
            }

            float m[MID_END_ROWS];
            for (std::int32_t r = 0; r < MID_END_ROWS; ++r) {
                m[r] = mid.vx_smoothed_ratings[mid.at(s, r, i)];
            }
            auto mid_mixed = [&](std::int32_t r) { return mid.smoothed_ratings[mid.at(s, r, i)]; };
            EXPECT_EQ(mid_mixed(1), m[1]);
            ASSERT_EQ(mid_mixed(2), (m[2] * w[0] + m[3] * w[9]) / (w[0] + w[9])) << s << " " << i;
            ASSERT_EQ(mid_mixed(3),
                      (m[2] * w[9] + m[3] * w[0] + m[4] * w[8]) / (w[0] + w[8] + w[9]))
                << s << " " << i;
            ASSERT_EQ(mid_mixed(4),
                      (m[3] * w[8] + m[4] * w[0] + m[5] * w[5]) / (w[0] + w[5] + w[8]))
                << s << " " << i;
            ASSERT_EQ(mid_mixed(5), (m[4] * w[5] + m[5] * w[0]) / (w[0] + w[5])) << s << " " << i;
        }
    }
    EXPECT_GT(reordered_differs, 0);
}

// A grid of smoothed values, all 0 except the listed (s, r, i) set to 1.
struct Marks {
    std::int32_t s;
    std::int32_t r;
    std::int32_t first;
    std::int32_t last;
};

SweepGrid marked(std::int32_t rows, std::initializer_list<Marks> marks) {
    SweepGrid grid(rows);
    grid.smoothed_ratings.assign(grid.smoothed_ratings.size(), 0.0f);
    for (const Marks& m : marks) {
        for (std::int32_t i = m.first; i <= m.last; ++i) {
            grid.smoothed_ratings[grid.at(m.s, m.r, i)] = 1.0f;
        }
    }
    return grid;
}

ShotVector select(const SweepGrid& grid, const float* row_vy) {
    ShotVector out{99.0f, 99.0f, 9};
    EXPECT_TRUE(select_plateau(grid, row_vy, best_value(grid), &out));
    return out;
}

void expect_shot(const ShotVector& out, std::int32_t i, float vy, std::uint8_t spin) {
    EXPECT_EQ(out.vx, sweep_vx(i));
    EXPECT_EQ(out.vy, vy);
    EXPECT_EQ(out.spin, spin);
}

TEST(Plateau, MiddleOfTheRunLowerMiddleWhenEven) {
    expect_shot(select(marked(6, {{0, 2, 10, 11}}), MID_END_VY), 10, MID_END_VY[2], 0);
    expect_shot(select(marked(6, {{0, 2, 10, 12}}), MID_END_VY), 11, MID_END_VY[2], 0);
    expect_shot(select(marked(6, {{0, 0, 0, 0}}), MID_END_VY), 0, MID_END_VY[0], 0);
}

TEST(Plateau, LongestWinsAndTiesGoToTheLastInScanOrder) {
    expect_shot(select(marked(6, {{0, 1, 40, 44}, {1, 3, 100, 102}}), MID_END_VY), 42,
                MID_END_VY[1], 0);
    expect_shot(select(marked(6, {{0, 4, 40, 42}, {1, 0, 100, 102}}), MID_END_VY), 101,
                MID_END_VY[0], 1);
    expect_shot(select(marked(6, {{1, 2, 40, 42}, {1, 2, 100, 102}}), MID_END_VY), 101,
                MID_END_VY[2], 1);
}

TEST(Plateau, RunReachingTheRowEndIsNeverPlayed) {
    expect_shot(select(marked(6, {{0, 0, 200, 279}, {1, 1, 50, 50}}), MID_END_VY), 50,
                MID_END_VY[1], 1);
    // Runs do not continue into the next row.
    expect_shot(select(marked(6, {{0, 0, 270, 279}, {0, 1, 0, 3}}), MID_END_VY), 1,
                MID_END_VY[1], 0);
}

TEST(Plateau, NoJudgedRunLeavesTheLastZeroLengthWrite) {
    // Mid-end shape: the last value below the best is i = 279 of row 5.
    expect_shot(select(marked(6, {{0, 0, 279, 279}}), MID_END_VY), 139, MID_END_VY[5], 1);
    // Last-stone shape: rows 7 and 8 hold -10.0 below a best of 0.0.
    SweepGrid grid = marked(9, {{0, 0, 200, 279}});
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
            grid.smoothed_ratings[grid.at(s, 7, i)] = -10.0f;
            grid.smoothed_ratings[grid.at(s, 8, i)] = -10.0f;
        }
    }
    expect_shot(select(grid, LAST_STONE_VY), 139, -29.048021f, 1);
    // When the last row ends in a dropped run, its last value below the best
    // makes the write.
    expect_shot(select(marked(6, {{0, 0, 279, 279}, {1, 5, 250, 279}}), MID_END_VY), 124,
                MID_END_VY[5], 1);
    EXPECT_EQ(sweep_vx(139), -0.012544803f);
}

TEST(Plateau, AllEqualWritesNothing) {
    const SweepGrid grid = marked(6, {});
    ShotVector out{99.0f, 98.0f, 1};
    EXPECT_FALSE(select_plateau(grid, MID_END_VY, best_value(grid), &out));
    EXPECT_EQ(out.vx, 99.0f);
    EXPECT_EQ(out.vy, 98.0f);
}

TEST(Plateau, BestValueIgnoresNaNAndStartsAtMinusTen) {
    SweepGrid grid(1);
    grid.smoothed_ratings.assign(grid.smoothed_ratings.size(), -20.0f);
    EXPECT_EQ(best_value(grid), -10.0f);
    grid.smoothed_ratings[7] = NAN;
    grid.smoothed_ratings[9] = -3.0f;
    EXPECT_EQ(best_value(grid), -3.0f);
}

}  // namespace
