#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game_result.h"

namespace runner {

struct SideFigures {
    int wins = 0;
    int draws = 0;
    int losses = 0;
    double game_points = 0.0;  // 1 per win, 0.5 per draw
    int points_for = 0;        // curling points scored over all games
    int points_against = 0;
    int ends_with_hammer = 0;
    int points_with_hammer = 0;
    int ends_without_hammer = 0;
    int points_without_hammer = 0;
    int steals = 0;  // ends scored without the hammer
    int blank_ends_with_hammer = 0;
    int rule_undone = 0;  // deliveries the free guard zone undid
    std::optional<double> median_think_ms;
};

// Elo difference of player 1 over player 2, with a 95% interval. Empty
// fields stand for an unbounded value (a perfect or a zero score).
struct EloEstimate {
    int pairs = 0;
    double mean_score = 0.0;
    std::optional<double> elo;
    std::optional<double> low;
    std::optional<double> high;
    // Expected scores at the two ends of the interval, within 0..1: they say
    // which way an unbounded end is unbounded (a sweep either way has both
    // ends at the same extreme).
    double low_score = 0.0;
    double high_score = 1.0;
};

struct MatchSummary {
    int games = 0;
    SideFigures side[2];
    int ends = 0;
    int blank_ends = 0;
    int extra_ends = 0;
    std::map<std::string, int> endings;
    EloEstimate elo;
    int rule = CURLING_RULE_NONE;  // the free guard zone the match was played under
};

// Elo difference that an expected score `score` of 0..1 stands for.
std::optional<double> elo_from_score(double score);

// From player 1's game points in game order: games 2k and 2k+1 share one
// hammer swap, so each pair is one sample (an odd last game is a sample of
// its own). The interval is the normal one on the pair means.
EloEstimate elo_from_pairs(const std::vector<double>& player1_points);

// As elo_from_pairs, pairing the games by their numbers: games 2k and
// 2k + 1 are one sample when both are there, and a game without the other
// one of its pair (the odd last game, or one whose partner a stopped match
// dropped) is a sample of its own.
EloEstimate elo_from_games(const std::vector<GameResult>& games);

// The estimate from per-pair mean scores.
EloEstimate elo_from_samples(const std::vector<double>& samples);

MatchSummary summarize(const std::vector<GameResult>& games, int regular_ends, int rule = CURLING_RULE_NONE);

std::optional<double> median(std::vector<double> values);

}  // namespace runner
