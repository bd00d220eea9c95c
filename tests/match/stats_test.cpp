#include <gtest/gtest.h>

#include <cmath>

#include "match/match_stats.h"
#include "match/scoreboard.h"
#include "match/noise.h"

using namespace runner;

namespace {

GameResult game(int index, int score0, int score1, std::vector<EndResult> ends) {
    GameResult result;
    result.game_index = index;
    result.score[0] = score0;
    result.score[1] = score1;
    result.winner = winner_from_totals(score0, score1);
    result.ends = std::move(ends);
    return result;
}

}  // namespace

TEST(Elo, FromExpectedScore) {
    EXPECT_DOUBLE_EQ(*elo_from_score(0.5), 0.0);
    EXPECT_NEAR(*elo_from_score(0.75), 190.85, 0.01);
    EXPECT_NEAR(*elo_from_score(0.25), -190.85, 0.01);
    EXPECT_FALSE(elo_from_score(1.0).has_value());
    EXPECT_FALSE(elo_from_score(0.0).has_value());
}

TEST(Elo, IntervalComesFromPairMeans) {
    // Pairs: (1, 0.5) -> 0.75, (1, 0) -> 0.5, (0.5, 0.5) -> 0.5, (1, 1) -> 1.
    const EloEstimate estimate = elo_from_pairs({1, 0.5, 1, 0, 0.5, 0.5, 1, 1});
    EXPECT_EQ(estimate.pairs, 4);
    EXPECT_DOUBLE_EQ(estimate.mean_score, 0.6875);
    // Sample deviation of the four pair means over sqrt(4).
    const double deviations = 0.0625 * 0.0625 + 0.1875 * 0.1875 + 0.1875 * 0.1875 + 0.3125 * 0.3125;
    const double standard_error = std::sqrt(deviations / 3.0 / 4.0);
    EXPECT_NEAR(*estimate.elo, *elo_from_score(0.6875), 1e-9);
    EXPECT_NEAR(*estimate.low, *elo_from_score(0.6875 - 1.96 * standard_error), 1e-9);
    EXPECT_NEAR(*estimate.high, *elo_from_score(0.6875 + 1.96 * standard_error), 1e-9);
    EXPECT_LT(*estimate.low, *estimate.elo);
    // All pairs won: the score is perfect and the difference unbounded.
    EXPECT_FALSE(elo_from_pairs({1, 1, 1, 1}).elo.has_value());
}

TEST(Elo, ASweepIsUnboundedOnItsOwnSide) {
    // Player 1 lost every game: both ends of the interval are minus
    // infinity, and nothing may suggest it could be the stronger player.
    std::vector<GameResult> lost;
    for (int g = 0; g < 6; ++g) lost.push_back(game(g, 0, 3, {{-3, 1}}));
    const MatchSummary summary = summarize(lost, 1);
    EXPECT_EQ(summary.elo.low_score, 0.0);
    EXPECT_EQ(summary.elo.high_score, 0.0);
    const std::string names[2] = {"weak", "strong"};
    const std::string text = summary_text(summary, names);
    EXPECT_NE(text.find("Elo weak - strong: -inf (95%: -inf .. -inf, 3 pairs)"), std::string::npos) << text;
    EXPECT_EQ(text.find("+inf"), std::string::npos) << text;
    // and the other way round
    const EloEstimate won = elo_from_pairs({1, 1, 1, 1});
    EXPECT_EQ(won.low_score, 1.0);
    EXPECT_EQ(won.high_score, 1.0);
}

// An empty shard, or the merge of empty shards: no score is no zero score.
TEST(Elo, OfNoGameIsUndefined) {
    const std::string names[2] = {"a", "b"};
    const std::string text = summary_text(summarize({}, 8), names);
    EXPECT_NE(text.find("Elo a - b: undefined"), std::string::npos) << text;
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
}

TEST(Elo, OddGameIsItsOwnSampleAndOnePairHasNoInterval) {
    const EloEstimate three = elo_from_pairs({1, 0, 1});
    EXPECT_EQ(three.pairs, 2);
    EXPECT_DOUBLE_EQ(three.mean_score, 0.75);
    const EloEstimate one = elo_from_pairs({1, 0});
    EXPECT_EQ(one.pairs, 1);
    EXPECT_DOUBLE_EQ(*one.elo, 0.0);
    EXPECT_FALSE(one.low.has_value());
    EXPECT_FALSE(one.high.has_value());
}

// A match stopped part-way may hold games 4 and 5 but not 2: the pairs
// are the games' own, not whatever sits next in the list.
TEST(Elo, PairsGamesByTheirNumbers) {
    std::vector<GameResult> games;
    for (int index : {0, 1, 3, 4, 5}) {
        // Player 1 wins every game but game 3.
        games.push_back(game(index, index == 3 ? 0 : 1, index == 3 ? 1 : 0, {}));
    }
    const EloEstimate estimate = summarize(games, 8).elo;
    EXPECT_EQ(estimate.pairs, 3);
    // Pairs (0, 1) and (4, 5) won, game 3 alone lost: (1 + 0 + 1) / 3.
    EXPECT_DOUBLE_EQ(estimate.mean_score, 2.0 / 3.0);
}

TEST(Summary, CountsResultsHammerPointsStealsAndBlanks) {
    // Game 0: side 1 has the first hammer. Ends: side 1 scores 2 with the
    // hammer, blank by side 0's hammer, side 1 steals 1, side 0 scores 3.
    std::vector<GameResult> games;
    games.push_back(game(0, 3, 3, {{-2, 1}, {0, 0}, {-1, 0}, {3, 0}}));
    games.back().winner.reset();
    games.push_back(game(1, 1, 0, {{0, 0}, {1, 0}}));
    games.push_back(game(2, 0, 2, {{-2, 1}}));
    games[2].ending = GameEnding::CRASH;
    games[2].concerns = 0;
    games[2].think_ms[0] = {1.0, 3.0, 2.0};
    games[2].think_ms[1] = {5.0};
    const MatchSummary summary = summarize(games, 3);
    EXPECT_EQ(summary.games, 3);
    EXPECT_EQ(summary.ends, 7);
    EXPECT_EQ(summary.blank_ends, 2);
    EXPECT_EQ(summary.extra_ends, 1);
    EXPECT_EQ(summary.endings.at("normal"), 2);
    EXPECT_EQ(summary.endings.at("crash"), 1);

    const SideFigures& first = summary.side[0];
    EXPECT_EQ(first.wins, 1);
    EXPECT_EQ(first.draws, 1);
    EXPECT_EQ(first.losses, 1);
    EXPECT_DOUBLE_EQ(first.game_points, 1.5);
    EXPECT_EQ(first.points_for, 4);
    EXPECT_EQ(first.points_against, 5);
    EXPECT_EQ(first.ends_with_hammer, 5);
    EXPECT_EQ(first.points_with_hammer, 4);
    EXPECT_EQ(first.blank_ends_with_hammer, 2);
    EXPECT_EQ(first.ends_without_hammer, 2);
    EXPECT_EQ(first.points_without_hammer, 0);
    EXPECT_EQ(first.steals, 0);
    EXPECT_DOUBLE_EQ(*first.median_think_ms, 2.0);

    const SideFigures& second = summary.side[1];
    EXPECT_EQ(second.wins, 1);
    EXPECT_EQ(second.losses, 1);
    EXPECT_EQ(second.ends_with_hammer, 2);
    EXPECT_EQ(second.points_with_hammer, 4);
    EXPECT_EQ(second.ends_without_hammer, 5);
    EXPECT_EQ(second.points_without_hammer, 1);
    EXPECT_EQ(second.steals, 1);
    EXPECT_DOUBLE_EQ(*second.median_think_ms, 5.0);
    EXPECT_EQ(summary.elo.pairs, 2);
}

TEST(Summary, MedianOfEvenAndEmptyLists) {
    EXPECT_DOUBLE_EQ(*median({4.0, 1.0, 3.0, 2.0}), 2.5);
    EXPECT_FALSE(median({}).has_value());
}

TEST(Noise, SameSeedSameDrawsAndGamesDiffer) {
    GaussianNoise a(game_seed(42, 3));
    GaussianNoise b(game_seed(42, 3));
    GaussianNoise c(game_seed(42, 4));
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const double x = a.draw(0.145);
        EXPECT_EQ(x, b.draw(0.145));
        differs = differs || x != c.draw(0.145);
    }
    EXPECT_TRUE(differs);
}

TEST(Noise, HasTheRequestedSpread) {
    GaussianNoise noise(7);
    const int n = 200000;
    double sum = 0.0;
    double squares = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = noise.draw(0.145);
        ASSERT_TRUE(std::isfinite(x));
        sum += x;
        squares += x * x;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0.0, 0.002);
    EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 0.145, 0.002);
    GaussianNoise none(7);
    EXPECT_EQ(none.draw(0.0), 0.0);
}
