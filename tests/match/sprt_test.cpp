// The sequential test's log-likelihood ratio against values computed
// independently, and its bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "match/sprt.h"

using namespace runner;

namespace {

struct LlrCase {
    Pentanomial counts;
    double elo0;
    double elo1;
    double llr;
};

}  // namespace

// The model (see sprt.h): pentanomial frequencies of player 1's pair
// scores 0, 0.5, 1, 1.5, 2 (per game 0, 1/4, 1/2, 3/4, 1); Elo to expected
// score per game by the logistic formula; under H0 and H1 the distribution
// of greatest likelihood with that mean (the generalized likelihood
// ratio), zero counts taken as 0.001; LLR = sum n_i ln(p1_i / p0_i).
//
// The expected values come from tests/match/sprt_reference.py, which finds
// each constrained maximum with a general optimiser (SciPy's SLSQP over the
// log-probabilities, the total and the mean as equality constraints)
// instead of the Lagrange root the runner solves. A hand check of the
// sweep: with every pair 2-0, the best distribution of mean s puts s on
// the top cell and the rest on the bottom one, so the LLR is about
// 12 ln(s1 / s0) = 12 ln(0.528774 / 0.5) = 0.6709.
TEST(Sprt, LogLikelihoodRatioMatchesAnIndependentComputation) {
    const LlrCase cases[] = {
        {{1, 2, 4, 2, 1}, 0.0, 20.0, -0.0549569409},
        {{0, 3, 10, 25, 12}, 0.0, 50.0, 6.6789236996},
        {{5, 10, 20, 8, 2}, -10.0, 10.0, -0.9113120242},
        {{0, 0, 0, 0, 12}, 0.0, 20.0, 0.6710128423},
        {{3, 40, 120, 45, 2}, 0.0, 10.0, -0.3511968995},
    };
    for (const LlrCase& c : cases) {
        EXPECT_NEAR(sprt_llr(c.counts, c.elo0, c.elo1), c.llr, 1e-7)
            << c.counts[0] << " " << c.counts[1] << " " << c.counts[2] << " " << c.counts[3] << " "
            << c.counts[4];
    }
}

// Wald's bounds, and a decision that stays once taken.
TEST(Sprt, DecidesAtWaldsBoundsAndStops) {
    const SprtBounds bounds = *parse_sprt("elo0=0,elo1=50,alpha=0.05,beta=0.1");
    EXPECT_NEAR(bounds.upper(), std::log(0.9 / 0.05), 1e-12);
    EXPECT_NEAR(bounds.lower(), std::log(0.1 / 0.95), 1e-12);
    SprtState state;
    state.bounds = bounds;
    while (state.decision == SprtDecision::NONE) {
        state.add_pair(2.0);
    }
    EXPECT_EQ(state.decision, SprtDecision::H1);
    EXPECT_GE(state.llr, bounds.upper());
    const std::int64_t pairs = state.pairs;
    state.add_pair(0.0);
    EXPECT_EQ(state.pairs, pairs);
    EXPECT_EQ(state.counts[4], pairs);
}
