#include "match_stats.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace runner {

double player1_game_points(const GameResult& game) {
    if (!game.winner) {
        return 0.5;
    }
    return *game.winner == 0 ? 1.0 : 0.0;
}

std::optional<double> elo_from_score(double score) {
    if (!(score > 0.0 && score < 1.0)) {
        return std::nullopt;
    }
    return -400.0 * std::log10(1.0 / score - 1.0);
}

std::optional<double> median(std::vector<double> values) {
    if (values.empty()) {
        return std::nullopt;
    }
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}

EloEstimate elo_from_pairs(const std::vector<double>& player1_points) {
    std::vector<double> samples;
    for (std::size_t i = 0; i < player1_points.size(); i += 2) {
        const bool whole_pair = i + 1 < player1_points.size();
        samples.push_back(whole_pair ? (player1_points[i] + player1_points[i + 1]) / 2.0
                                     : player1_points[i]);
    }
    return elo_from_samples(samples);
}

EloEstimate elo_from_games(const std::vector<GameResult>& games) {
    // Pair p is games 2p and 2p + 1, by number: a match stopped part-way
    // can have finished a later game and dropped an earlier one.
    std::map<int, std::vector<double>> pairs;
    for (const GameResult& game : games) {
        pairs[game.game_index / 2].push_back(player1_game_points(game));
    }
    std::vector<double> samples;
    for (const auto& [pair, points] : pairs) {
        double sum = 0.0;
        for (double p : points) {
            sum += p;
        }
        samples.push_back(sum / static_cast<double>(points.size()));
    }
    return elo_from_samples(samples);
}

EloEstimate elo_from_samples(const std::vector<double>& samples) {
    EloEstimate estimate;
    estimate.pairs = static_cast<int>(samples.size());
    if (samples.empty()) {
        return estimate;
    }
    double sum = 0.0;
    for (double sample : samples) {
        sum += sample;
    }
    const double mean = sum / static_cast<double>(samples.size());
    estimate.mean_score = mean;
    estimate.elo = elo_from_score(mean);
    if (samples.size() < 2) {
        return estimate;
    }
    double squares = 0.0;
    for (double sample : samples) {
        squares += (sample - mean) * (sample - mean);
    }
    const double n = static_cast<double>(samples.size());
    const double standard_error = std::sqrt(squares / (n - 1.0) / n);
    estimate.low_score = std::clamp(mean - 1.96 * standard_error, 0.0, 1.0);
    estimate.high_score = std::clamp(mean + 1.96 * standard_error, 0.0, 1.0);
    estimate.low = elo_from_score(estimate.low_score);
    estimate.high = elo_from_score(estimate.high_score);
    return estimate;
}

namespace {

void count_result(SideFigures& figures, std::optional<int> winner, int side) {
    if (!winner) {
        ++figures.draws;
        figures.game_points += 0.5;
    } else if (*winner == side) {
        ++figures.wins;
        figures.game_points += 1.0;
    } else {
        ++figures.losses;
    }
}

void count_end(SideFigures& figures, const EndResult& end, int side) {
    const int scored = side == 0 ? std::max(end.score, 0) : std::max(-end.score, 0);
    if (end.hammer_side == side) {
        ++figures.ends_with_hammer;
        figures.points_with_hammer += scored;
        if (end.score == 0) {
            ++figures.blank_ends_with_hammer;
        }
    } else {
        ++figures.ends_without_hammer;
        figures.points_without_hammer += scored;
        if (scored > 0) {
            ++figures.steals;
        }
    }
}

}  // namespace

MatchSummary summarize(const std::vector<GameResult>& games, int regular_ends, int rule) {
    MatchSummary summary;
    summary.rule = rule;
    summary.games = static_cast<int>(games.size());
    std::vector<double> think[2];
    for (const GameResult& game : games) {
        ++summary.endings[ending_name(game.ending)];
        for (int side = 0; side < 2; ++side) {
            SideFigures& figures = summary.side[side];
            count_result(figures, game.winner, side);
            figures.points_for += game.score[side];
            figures.points_against += game.score[1 - side];
            figures.rule_undone += game.rule_undone[side];
            think[side].insert(think[side].end(), game.think_ms[side].begin(),
                               game.think_ms[side].end());
        }
        for (std::size_t e = 0; e < game.ends.size(); ++e) {
            const EndResult& end = game.ends[e];
            ++summary.ends;
            summary.blank_ends += end.score == 0 ? 1 : 0;
            summary.extra_ends += static_cast<int>(e) >= regular_ends ? 1 : 0;
            count_end(summary.side[0], end, 0);
            count_end(summary.side[1], end, 1);
        }
    }
    for (int side = 0; side < 2; ++side) {
        summary.side[side].median_think_ms = median(think[side]);
    }
    summary.elo = elo_from_games(games);
    return summary;
}

}  // namespace runner
