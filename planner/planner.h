#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "candidates.h"
#include "curling_simulator.h"
#include "simulator/simulator_loader.h"
#include "opponent.h"
#include "value_model.h"
#include "win_table.h"
#include "worker_pool.h"

namespace planner {

// The planner's search, without any I/O: given a position and the game
// around it, it rates candidate shots by the probability of winning the game
// over sampled noisy executions, each followed by the other team's reply and
// the rest of the end (a model fitted on real games, or played out), and
// returns the best with a report of everything it considered.

struct PlannerOptions {
    float spread = 0.145f;       // the execution noise planned for (0.1 m/s)
    int threads = 1;             // total threads of the pool
    std::uint64_t seed = 1;      // every sample's noise derives from it
    int careful_from = 10;       // look-ahead stones from this one on are chosen with care
    bool careful_reply = true;   // and the other team's reply to the candidate always
    int leaf_after = 1;          // look-ahead stones after the candidate before the model values the rest (16: play the end out)
    std::size_t shortlist = 32;  // candidates that go on to the sampled look-ahead
    double refine_share = 0.2;   // of the budget, for shifting the finalists' shots
    // The model that values the positions the look-ahead stops at; none:
    // the counts model (leaf_model.h).
    const ValueNet* value_net = nullptr;
    // The look-ahead's careful player judges the shots it tries by the
    // value model (when there is one) instead of the stones as they lie.
    bool judge_by_value = false;
    // Sample i's execution of the candidate (1), and the reply's too (2),
    // takes its noise from point i of a randomly shifted low-discrepancy
    // sequence, so that any first n samples cover the noise evenly (the
    // later stones' noise stays random); 0: all noise random.
    int stratify = 0;
    // The free guard zone rule the games are played under (the library's
    // CURLING_RULE_*): every shot the search simulates is played under it.
    int rule = CURLING_RULE_NONE;
    // The opponents the win tables model; with more than one, the ends of
    // the game so far weigh them (OpponentModels).
    std::vector<EndScoreModel> opponents = known_opponents();
};

// Simulated shots per decision by default (the late stones' budget).
inline constexpr std::int64_t DEFAULT_SIMS = 52000;

// What curling-planner plays with no options but the threads and the rule:
// the shipped value model for the rule when the shipped file holds one
// (else the counts model) and the opponents its games taught it.
// Benchmarks start from here too, so that they measure what users get.
PlannerOptions shipped_options(int rule = CURLING_RULE_NONE);

// Puts the shipped value model for `options.rule` into `options`, with the
// opponents it knows.
void use_shipped_model(PlannerOptions& options);

// The game around a position, for the team about to throw.
struct GameContext {
    int lead = 0;      // this team's points minus the other's, before this end
    int end = 0;       // the current end, from 0
    int last_end = 7;  // the last regular end, from 0
    // The ends of this game before this one, where the player knows who had
    // the hammer; none when it does not.
    std::vector<PastEnd> past_ends;
};

// What to spend: a fixed number of simulated shots (calls of the library's
// Simulation: the executions of candidates and every stone of the look-ahead
// after them; then the answer depends only on the position, the seed and
// this number), or a time. A fixed budget may carry a time limit as well,
// which cuts it short.
struct SearchBudget {
    std::int64_t simulations = 0;  // > 0: fixed
    double milliseconds = 0.0;     // > 0: the time limit (the budget when simulations == 0)
};

class Spending;

struct CandidateReport {
    Candidate candidate;
    double value = 0.0;  // estimated probability of winning the game (a draw is half)
    int samples = 0;
    // Where the stones rested after each sampled execution of this shot
    // (before the rest of the end was played out), in sample order; filled
    // only when the decision was asked for outcomes.
    std::vector<std::array<StonePosition, CURLING_STONES>> outcomes;
};

struct Decision {
    ShotVector shot{};
    int chosen = -1;                       // index into `candidates`, -1 for a quick shot
    std::vector<CandidateReport> candidates;
    std::int64_t samples = 0;              // sampled executions (each looked at to the end)
    std::int64_t simulations = 0;          // simulated shots, all told
    double milliseconds = 0.0;             // wall time of the decision
    bool quick = false;                    // no search was made
    std::vector<double> belief;            // the weight of each opponent model it valued ends by
};

// The running mean of one candidate's sampled values, and each value by its
// sample index (NaN where it has none) so that two candidates can be
// compared on the very samples both met.
struct CandidateTally {
    double sum = 0.0;
    int count = 0;
    std::vector<double> by_sample;
    double mean() const { return count > 0 ? sum / count : -1.0; }
};

class Planner {
public:
    Planner(const SimulatorApi& api, const PlannerOptions& options);

    // Chooses the shot for the team that throws stone `state.shot_number`.
    Decision decide(const GAMESTATE& state, const GameContext& game, const SearchBudget& budget,
                    bool want_outcomes = false);

    // A shot that needs no search: a draw to the button.
    ShotVector quick_shot() const;

private:
    // What every round of one decision shares.
    struct Race {
        const GAMESTATE* root;
        const GameContext* game;
        std::vector<double> belief;  // in the opponent models, from the game's ends so far
        const std::vector<Candidate>* candidates;
        std::uint64_t seed;
        bool want_outcomes;
        std::function<bool()> in_time;
    };
    struct Round {
        std::size_t items = 0;      // samples asked for
        std::size_t ran = 0;        // samples taken before the clock stopped them
        double milliseconds = 0.0;
        std::int64_t simulations = 0;
    };
    // What a decision has spent so far.
    struct Spent {
        std::int64_t samples = 0;
        std::int64_t simulations = 0;
    };
    // The shortlisted candidates (with the plans the game asks for); adds
    // the simulated shots of the shortlist's glance.
    std::vector<Candidate> candidates_for(const GAMESTATE& root, const GameContext& game,
                                          std::int64_t& simulations,
                                          const std::function<bool()>& in_time) const;
    // Successive halving: rounds of samples of every live candidate, the
    // worse dropped after each, down to two, within the halving's part of
    // the budget. Leaves the last round's candidates in `alive`.
    Spent halve(const Race& race, const Spending& spending, std::vector<std::size_t>& alive,
                Decision& decision, std::vector<CandidateTally>& tally, Spent spent) const;
    // Fills the decision from the tallies and the chosen candidate.
    void report(const std::vector<Candidate>& candidates, const std::vector<CandidateTally>& tally,
                std::size_t best, Spent spent, Decision& decision) const;
    // Samples first_sample .. first_sample + add - 1 of every live candidate.
    Round run_round(const Race& race, const std::vector<std::size_t>& alive, int first_sample,
                    int add, Decision& decision, std::vector<CandidateTally>& tally) const;
    // Shifts the best finalists' shots one noise step each way, runs the
    // shifted shots on the samples the finalists met (as far as the budget
    // goes) and returns the index of the one to play: a shifted shot wins
    // only when it beats its finalist on the same samples by a clear margin.
    struct Refined {
        std::size_t best = 0;
        std::int64_t samples = 0;
        std::int64_t simulations = 0;
    };
    Refined refine(const Race& race, const std::vector<std::size_t>& alive,
                       std::vector<Candidate>& candidates, std::vector<CandidateTally>& tally,
                       Decision& decision, const std::function<int(std::size_t)>& affordable) const;
    double glance(const GAMESTATE& root, const ShotVector& shot, std::uint64_t seed) const;
    // The chance of winning the game from a position with `thrown` stones
    // thrown, by the fitted model of the rest of the end, for the team that
    // has (or has not) the hammer.
    double leaf_value(const GAMESTATE& state, int thrown, bool hammer, const GameContext& game,
                      const std::vector<double>& belief) const;
    // The candidates worth the sampled look-ahead, by a glance at each as
    // long as `in_time` allows.
    std::vector<Candidate> shortlist(const GAMESTATE& root, std::vector<Candidate> candidates,
                                     std::int64_t& simulations,
                                     const std::function<bool()>& in_time) const;
    double sample_value(const GAMESTATE& root, const GameContext& game,
                        const std::vector<double>& belief, const ShotVector& shot, Plan plan,
                        std::uint64_t seed, int sample,
                        std::array<StonePosition, CURLING_STONES>* outcome, int& simulations) const;

    SimulatorApi api_;
    PlannerOptions options_;
    OpponentModels opponents_;
    std::unique_ptr<WorkerPool> pool_;
};

// One or two ahead in the last regular end, without the hammer: where an end
// of two against loses (or, two ahead, three) and a single point does not.
// Three or more ahead the game is all but won and the ordinary search plays
// it: a planner that leads often spent most of its extra thinking there.
inline constexpr int NARROW_LEAD = 2;
bool narrowly_ahead_in_last_end(const GAMESTATE& root, const GameContext& game);

// The seed of one decision: the planner's seed and the position, so that the
// same position gets the same answer.
std::uint64_t decision_seed(std::uint64_t seed, const GAMESTATE& state);

}  // namespace planner
