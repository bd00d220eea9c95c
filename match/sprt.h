#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace runner {

// A sequential probability ratio test on game pairs.
//
// The model is the pentanomial one of engine testing with paired openings:
// each pair (the same match seed and pair index, the first hammer swapped)
// gives player 1 0, 0.5, 1, 1.5 or 2 points, i.e. a score per game of 0,
// 1/4, 1/2, 3/4 or 1. The five frequencies are otherwise free. An Elo
// difference d stands for the expected score per game 1 / (1 + 10^(-d/400))
// (the logistic formula). H0 is "the expected score is s0 = score(elo0)",
// H1 "it is s1 = score(elo1)".
//
// The log-likelihood ratio is the generalized one: under each hypothesis
// the five probabilities are those of greatest likelihood for the counts
// among all distributions whose mean is s0 (or s1), and
//     LLR = sum_i n_i * ln(p1_i / p0_i).
// That maximum is p_i = f_i / (1 + lambda * (x_i - s)), with f_i the
// observed frequencies and lambda the root of sum_i f_i (x_i - s) /
// (1 + lambda (x_i - s)) = 0, found here by bisection. A count of zero is
// taken as 0.001, so that every mean in (0, 1) can be reached and a sweep
// still gives a finite LLR. Wald's bounds: the test accepts H1 at
// LLR >= ln((1 - beta) / alpha) and H0 at LLR <= ln(beta / (1 - alpha)).

inline constexpr int PENTANOMIAL_CELLS = 5;
using Pentanomial = std::array<std::int64_t, PENTANOMIAL_CELLS>;

struct SprtBounds {
    double elo0 = 0.0;
    double elo1 = 0.0;
    double alpha = 0.05;
    double beta = 0.05;

    double lower() const;  // LLR at or below which H0 is accepted
    double upper() const;  // LLR at or above which H1 is accepted
    bool operator==(const SprtBounds&) const = default;
};

// Largest |elo0|, |elo1| accepted.
inline constexpr double MAX_SPRT_ELO = 1000.0;

// Reads "elo0=A,elo1=B[,alpha=P][,beta=P]" (keys in any order, each once)
// with elo0 < elo1 within +-MAX_SPRT_ELO and alpha, beta in (0, 0.5).
std::optional<SprtBounds> parse_sprt(const std::string& text);
// What parse_sprt accepts, for error messages.
const char* sprt_accepts();

// Expected score per game of the side `elo` stronger.
double score_from_elo(double elo);

// Cell of a pair in which player 1 made `points` (0, 0.5, ..., 2).
int pentanomial_cell(double points);

double sprt_llr(const Pentanomial& counts, double elo0, double elo1);

enum class SprtDecision { NONE, H0, H1 };
const char* decision_name(SprtDecision decision);  // "H0", "H1" or "none"

// The test as it stands after some pairs.
struct SprtState {
    SprtBounds bounds;
    Pentanomial counts{};
    std::int64_t pairs = 0;
    double llr = 0.0;
    SprtDecision decision = SprtDecision::NONE;

    // Counts one more pair; decides once a bound is reached (and then
    // counts nothing more).
    void add_pair(double player1_points);
};

// Feeds the test the game pairs in pair order, each once all its games are
// finished, so the decision and the pair on which it falls do not depend on
// the order in which games finish (the concurrency, the shards).
class PairSequence {
public:
    // `whole_pairs`: pairs of two games in the match (an odd last game has
    // no pair score and is not counted).
    PairSequence(SprtBounds bounds, std::int64_t whole_pairs) : whole_pairs_(whole_pairs) {
        state_.bounds = bounds;
    }
    // Counts pairs from the first not counted yet for as long as
    // `points_of` knows player 1's points in them, up to a decision.
    // Returns how many it counted.
    std::int64_t advance(const std::function<std::optional<double>(std::int64_t pair)>& points_of);
    const SprtState& state() const { return state_; }

private:
    std::int64_t whole_pairs_;
    SprtState state_;
};

}  // namespace runner
