// The player weighs its win tables by which opponent the game's ends point
// to: a mis-dated end or a misread distribution sends it the wrong way.
#include <gtest/gtest.h>

#include <cstdint>

#include "opponent.h"
#include "turn.h"

namespace {

using namespace planner;

EndScoreDistribution mostly(int score) {
    EndScoreDistribution d{};
    d.fill(0.001);
    d[static_cast<std::size_t>(score + MAX_END_SCORE)] = 1.0;
    return d;
}

// Both know the player scores one with its hammer; they differ in the other
// team's hammer ends: there it is stolen from (A) or scores two (B).
TEST(OpponentModels, TheOtherTeamsHammerEndsPointToTheModelThatExpectsThem) {
    const OpponentModels models({{mostly(1), mostly(-1)}, {mostly(1), mostly(2)}});
    EXPECT_DOUBLE_EQ(models.belief({})[0], 0.5);
    // A tenth of the belief stays even, whatever the ends say.
    const std::vector<double> a = models.belief({{true, 1}, {false, -1}});
    EXPECT_GT(a[0], 0.9);
    const std::vector<double> b = models.belief({{true, 1}, {false, 2}, {false, 2}});
    EXPECT_GT(b[1], 0.9);
    EXPECT_NEAR(b[0] + b[1], 1.0, 1e-12);
    // Twenty ends no model expects: still a belief, not 0/0.
    const std::vector<double> odd = models.belief(std::vector<PastEnd>(20, PastEnd{false, -8}));
    EXPECT_NEAR(odd[0] + odd[1], 1.0, 1e-12);
    const double mixed = models.after_end({0.25, 0.75}, 0, 2, 7, false, 1);
    EXPECT_DOUBLE_EQ(mixed, 0.25 * models.table(0).after_end(0, 2, 7, false, 1) +
                                0.75 * models.table(1).after_end(0, 2, 7, false, 1));
}

// An opponent none of the tables knows plays ends they never saw; the
// belief must not take any legal score as next to impossible, or one such
// end settles it.
TEST(OpponentModels, NoLegalEndScoreIsNearlyImpossible) {
    const OpponentModels models(known_opponents());
    for (std::size_t m = 0; m < known_opponents().size(); ++m) {
        for (const bool my_hammer : {false, true}) {
            for (int k = -MAX_END_SCORE; k <= MAX_END_SCORE; ++k) {
                EXPECT_GE(models.end_chance(m, my_hammer, k), 1e-3)
                    << "model " << m << ", my hammer " << my_hammer << ", score " << k;
            }
        }
    }
}

// A server may send any number as an end's score: the sums the player
// makes of them must not wrap (a lead of two huge scores read as a deficit).
TEST(GameAround, ExtremeScoresDoNotWrap) {
    GAMESTATE state{};
    state.current_end = 3;
    state.shot_number = 4;
    state.end_scores[0] = INT32_MAX;
    state.end_scores[1] = INT32_MAX;
    state.end_scores[2] = 0;
    for (const std::uint8_t mover : {0, 1}) {
        state.moving_side = mover;
        const GameContext game = game_around(state, 1);
        EXPECT_EQ(game.lead > 0, mover == 0) << "mover " << int{mover} << ", lead " << game.lead;
    }
    const WinTable table(self_end_scores());
    EXPECT_GT(table.after_end(INT32_MAX, 2, 7, true, 8), 0.999);
    EXPECT_LT(table.after_end(INT32_MIN, 2, 7, true, -8), 0.001);
}

// Side 0 throws the odd stones of end 3, so it has the hammer there.
TEST(GameAround, DatesEachEndsHammerFromTheFirstEnd) {
    GAMESTATE state{};
    state.current_end = 3;
    state.shot_number = 5;
    state.moving_side = 0;
    ASSERT_EQ(hammer_side(state), 0);
    // A blank (side 1 keeps the hammer), side 0 steals two, side 1 scores one.
    state.end_scores[1] = 2;
    state.end_scores[2] = -1;
    const std::vector<PastEnd> ends = game_around(state, 1).past_ends;
    ASSERT_EQ(ends.size(), 3u);
    const PastEnd expected[] = {{false, 0}, {false, -2}, {false, 1}};
    for (std::size_t e = 0; e < ends.size(); ++e) {
        EXPECT_EQ(ends[e].my_hammer, expected[e].my_hammer) << "end " << e;
        EXPECT_EQ(ends[e].hammer_score, expected[e].hammer_score) << "end " << e;
    }
    EXPECT_TRUE(game_around(state).past_ends.empty());
    // Three blanks cannot hand side 0 the hammer side 1 had: another game.
    state.end_scores[1] = 0;
    state.end_scores[2] = 0;
    EXPECT_TRUE(game_around(state, 1).past_ends.empty());
    EXPECT_EQ(game_around(state, 0).past_ends.size(), 3u);
}

}  // namespace
