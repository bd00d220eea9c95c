#include "planner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numeric>

#include "delivery.h"
#include "leaf_model.h"
#include "random.h"
#include "rollout_policy.h"
#include "sheet.h"
#include "spending.h"

namespace planner {

namespace {

using Clock = std::chrono::steady_clock;

// Samples every candidate gets before any is dropped.
constexpr int FIRST_ROUND_SAMPLES = 4;
// The executions each candidate gets in the cheap look before the shortlist.
constexpr int GLANCE_SAMPLES = 2;

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

}  // namespace

bool narrowly_ahead_in_last_end(const GAMESTATE& root, const GameContext& game) {
    return game.lead > 0 && game.lead <= NARROW_LEAD && game.end == game.last_end &&
           team_of(root.shot_number) == 0;
}

std::uint64_t decision_seed(std::uint64_t seed, const GAMESTATE& state) {
    std::uint64_t hash = 1469598103934665603ULL;
    auto add = [&](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ULL;
        }
    };
    add(&state.shot_number, sizeof state.shot_number);
    add(&state.current_end, sizeof state.current_end);
    add(state.end_scores, sizeof state.end_scores);
    add(state.stones, sizeof state.stones);
    return mix_seed(seed, hash);
}

void use_shipped_model(PlannerOptions& options) {
    const ValueNet& shipped = shipped_value_net(options.rule);
    options.value_net = shipped.empty() ? nullptr : &shipped;
    options.opponents = known_opponents(options.value_net);
}

PlannerOptions shipped_options(int rule) {
    PlannerOptions options;
    options.rule = rule;
    use_shipped_model(options);
    return options;
}

Planner::Planner(const SimulatorApi& api, const PlannerOptions& options)
    : api_(api),
      options_(options),
      opponents_(options.opponents),
      pool_(std::make_unique<WorkerPool>(std::max(1, options.threads))) {}

ShotVector Planner::quick_shot() const {
    ShotVector shot{};
    api_.CreateShot(ShotTarget{TEE_X, TEE_Y, 0}, &shot);
    return shot;
}

double Planner::sample_value(const GAMESTATE& root, const GameContext& game,
                             const std::vector<double>& belief, const ShotVector& shot,
                             Plan plan, std::uint64_t seed, int sample,
                             std::array<StonePosition, CURLING_STONES>* outcome,
                             int& simulations) const {
    SampleRandom random(mix_seed(seed, static_cast<std::uint64_t>(sample)));
    if (options_.stratify > 0) {
        random.set_next_pair(stratified_noise(seed, sample, 0, options_.stratify));
    }
    GAMESTATE state = root;
    deliver(api_, options_.rule, state, shot, options_.spread, random);
    ++simulations;
    if (outcome != nullptr) {
        std::memcpy(outcome->data(), state.stones, sizeof state.stones);
    }
    const bool strong = narrowly_ahead_in_last_end(root, game);
    // The fitted model values the rest of the end once the reply has been
    // played, except where the thrower plans its later stones (the model
    // knows no plans) and before the last stone, which is played out.
    const int leaf_at = options_.leaf_after < CURLING_STONES && !strong
                            ? root.shot_number + 1 + options_.leaf_after
                            : CURLING_STONES;
    const int team = team_of(root.shot_number);
    // The shot number is set for every stone rather than trusted to the
    // library, so that the look-ahead always ends.
    for (int shot = root.shot_number + 1; shot <= LAST_SHOT; ++shot) {
        state.shot_number = shot;
        if (shot == leaf_at && shot < LAST_SHOT) {
            return leaf_value(state, shot, team == 1, game, belief);
        }
        // The other team's reply to the candidate is chosen with care: it is
        // the shot that punishes a candidate's weakness.
        const int careful_from =
            options_.careful_reply && shot == root.shot_number + 1 ? shot : options_.careful_from;
        const bool clearing = plan == Plan::CLEAR && team_of(shot) == team_of(root.shot_number);
        ShotVector next = clearing ? clear_shot(api_, state, random)
                                   : rollout_shot(api_, state, random, careful_from, simulations,
                                                  strong,
                                                  options_.judge_by_value ? options_.value_net
                                                                          : nullptr,
                                                  options_.rule);
        if (options_.stratify > 1 && shot == root.shot_number + 1) {
            random.set_next_pair(stratified_noise(seed, sample, 1, options_.stratify));
        }
        deliver(api_, options_.rule, state, next, options_.spread, random);
        ++simulations;
    }
    const int score0 = std::clamp(team0_score(api_.GetScore, state), -MAX_END_SCORE, MAX_END_SCORE);
    const int mine = team == 0 ? score0 : -score0;
    return opponents_.after_end(belief, game.lead, game.end, game.last_end, team == 1, mine);
}

double Planner::leaf_value(const GAMESTATE& state, int thrown, bool hammer,
                           const GameContext& game, const std::vector<double>& belief) const {
    static_assert(VALUE_CLASSES == LEAF_CLASSES && VALUE_LOW == LEAF_LOW);
    if (options_.value_net != nullptr && options_.value_net->knows_opponents) {
        const ChancesByOpponent chances = value_chances_by_opponent(
            *options_.value_net, value_inputs(state, thrown), !hammer);
        return opponents_.after_end(belief, chances, game.lead, game.end, game.last_end, hammer);
    }
    const std::array<double, LEAF_CLASSES> chances =
        options_.value_net != nullptr ? value_chances(*options_.value_net, state, thrown)
                                      : leaf_distribution(state, thrown, hammer);
    double value = 0.0;
    for (int c = 0; c < LEAF_CLASSES; ++c) {
        const int hammer_score = LEAF_LOW + c;
        value += chances[static_cast<std::size_t>(c)] *
                 opponents_.after_end(belief, game.lead, game.end, game.last_end, hammer,
                                      hammer ? hammer_score : -hammer_score);
    }
    return value;
}

double Planner::glance(const GAMESTATE& root, const ShotVector& shot, std::uint64_t seed) const {
    // Two noisy executions judged by the stones as they lie (or by the
    // value model): a cheap filter that drops shots which plainly do
    // nothing useful, not a value.
    const int team = team_of(root.shot_number);
    double total = 0.0;
    for (int sample = 0; sample < GLANCE_SAMPLES; ++sample) {
        SampleRandom random(mix_seed(seed, static_cast<std::uint64_t>(sample)));
        GAMESTATE state = root;
        deliver(api_, options_.rule, state, shot, options_.spread, random);
        total += judge_stones(api_, state, team, options_.judge_by_value ? options_.value_net : nullptr);
    }
    return total / GLANCE_SAMPLES;
}

std::vector<Candidate> Planner::shortlist(const GAMESTATE& root, std::vector<Candidate> candidates,
                                          std::int64_t& simulations,
                                          const std::function<bool()>& in_time) const {
    if (root.shot_number >= LAST_SHOT - 1 || candidates.size() <= options_.shortlist) {
        return candidates;
    }
    const std::uint64_t seed = mix_seed(decision_seed(options_.seed, root), 0x676c616e6365ULL);
    // A candidate the clock left unglanced goes last.
    std::vector<double> glanced(candidates.size(), -1e300);
    const std::function<void(std::size_t, int)> work = [&](std::size_t c, int) {
        glanced[c] = glance(root, candidates[c].shot, seed);
    };
    const std::size_t ran = pool_->run(candidates.size(), work, in_time);
    simulations += static_cast<std::int64_t>(ran) * GLANCE_SAMPLES;
    std::vector<std::size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return glanced[a] > glanced[b]; });
    // The best of each kind of shot stays, so that a guard or a throw-away
    // (worth nothing as the stones lie) still meets the real evaluation.
    std::vector<bool> keep(candidates.size(), false);
    std::size_t kept = 0;
    int per_kind[8] = {};
    for (std::size_t c : order) {
        int& seen = per_kind[static_cast<int>(candidates[c].intention)];
        if (seen < 2) {
            ++seen;
            keep[c] = true;
            ++kept;
        }
    }
    for (std::size_t c : order) {
        if (kept >= options_.shortlist) {
            break;
        }
        if (!keep[c]) {
            keep[c] = true;
            ++kept;
        }
    }
    std::vector<Candidate> out;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (keep[c]) {
            out.push_back(std::move(candidates[c]));
        }
    }
    return out;
}

namespace {

// Each hit and the throw-away again, followed by clearing the house, while
// the thrower has a stone to come after the other team's reply. Only where
// a hitting game is what the game asks for: one or two ahead in the last
// end, without the hammer, where an end of two against loses the game (or,
// two ahead, three against) and a single point does not.
std::vector<Candidate> with_plans(const GAMESTATE& root, const GameContext& game,
                                  std::vector<Candidate> candidates) {
    if (!narrowly_ahead_in_last_end(root, game) || root.shot_number + 2 > LAST_SHOT) {
        return candidates;
    }
    const std::size_t count = candidates.size();
    for (std::size_t c = 0; c < count; ++c) {
        const Candidate& free = candidates[c];
        const bool hit = free.intention == Intention::HIT && free.strength >= 12.0f;
        if (hit || free.intention == Intention::THROW_AWAY) {
            Candidate clear = free;
            clear.plan = Plan::CLEAR;
            clear.label += " then clear";
            candidates.push_back(std::move(clear));
        }
    }
    return candidates;
}

// Keeps the better part of the live candidates by their means: the first
// cut is the deepest (most candidates are plainly worse), later ones halve;
// at least two stay for the final round.
void cut(std::vector<std::size_t>& alive, const std::vector<CandidateTally>& tally, bool first) {
    std::stable_sort(alive.begin(), alive.end(), [&](std::size_t a, std::size_t b) {
        return tally[a].mean() > tally[b].mean();
    });
    const std::size_t live = alive.size();
    const std::size_t keep = first ? (live + 2) / 3 : (live + 1) / 2;
    alive.resize(std::max<std::size_t>(2, keep));
}

// Rounds still to play with `alive` candidates, halving down to two.
int rounds_for(std::size_t alive) {
    int rounds = 1;
    for (std::size_t n = alive; n > 2; n = (n + 1) / 2) {
        ++rounds;
    }
    return rounds;
}

}  // namespace

Planner::Round Planner::run_round(const Race& race, const std::vector<std::size_t>& alive,
                                  int first_sample, int add, Decision& decision,
                                  std::vector<CandidateTally>& tally) const {
    const std::size_t live = alive.size();
    const std::size_t items = live * static_cast<std::size_t>(add);
    std::vector<double> values(items, std::nan(""));
    std::vector<int> costs(items, 0);
    std::vector<std::array<StonePosition, CURLING_STONES>> outcomes(race.want_outcomes ? items : 0);
    // Sample-major order: a search cut short by the clock leaves every
    // candidate with about the same samples.
    const std::function<void(std::size_t, int)> work = [&](std::size_t item, int) {
        const std::size_t c = alive[item % live];
        const int sample = first_sample + static_cast<int>(item / live);
        values[item] = sample_value(*race.root, *race.game, race.belief,
                                    (*race.candidates)[c].shot, (*race.candidates)[c].plan,
                                    race.seed, sample,
                                    race.want_outcomes ? &outcomes[item] : nullptr, costs[item]);
    };
    const Clock::time_point start = Clock::now();
    Round round;
    round.items = items;
    round.ran = pool_->run(items, work, race.in_time);
    round.milliseconds = elapsed_ms(start);
    for (std::size_t item = 0; item < items; ++item) {
        if (std::isnan(values[item])) {
            continue;
        }
        const std::size_t c = alive[item % live];
        const auto sample = static_cast<std::size_t>(first_sample) + item / live;
        tally[c].sum += values[item];
        ++tally[c].count;
        if (tally[c].by_sample.size() <= sample) {
            tally[c].by_sample.resize(sample + 1, std::nan(""));
        }
        tally[c].by_sample[sample] = values[item];
        round.simulations += costs[item];
        if (race.want_outcomes) {
            decision.candidates[c].outcomes.push_back(outcomes[item]);
        }
    }
    return round;
}

namespace {

// The decisions one or two ahead in the last end without the hammer value
// the other team with a stronger model, which costs about three times the
// simulated shots a sample; these few decisions decide games.
SearchBudget budget_for(const GAMESTATE& root, const GameContext& game, const SearchBudget& asked) {
    SearchBudget budget = asked;
    if (narrowly_ahead_in_last_end(root, game)) {
        budget.simulations = std::min(budget.simulations, INT64_MAX / 3) * 3;
    }
    return budget;
}

// Samples each candidate gets in the first round: a small fixed budget still
// reaches a second round.
int first_round_samples(const Spending& spending, const GAMESTATE& root, std::size_t candidates,
                        std::int64_t simulations) {
    if (spending.timed()) {
        return FIRST_ROUND_SAMPLES;
    }
    const std::int64_t guess =
        3 * static_cast<std::int64_t>(candidates) * (CURLING_STONES - root.shot_number);
    return static_cast<int>(std::clamp<std::int64_t>(
        (spending.halving_simulations() - simulations) / std::max<std::int64_t>(guess, 1), 1,
        FIRST_ROUND_SAMPLES));
}

}  // namespace

std::vector<Candidate> Planner::candidates_for(const GAMESTATE& root, const GameContext& game,
                                               std::int64_t& simulations,
                                               const std::function<bool()>& in_time) const {
    return with_plans(root, game,
                      shortlist(root, make_candidates(api_, root), simulations, in_time));
}

Planner::Spent Planner::halve(const Race& race, const Spending& spending,
                              std::vector<std::size_t>& alive, Decision& decision,
                              std::vector<CandidateTally>& tally, Spent spent) const {
    int add = first_round_samples(spending, *race.root, alive.size(), spent.simulations);
    for (int have = 0;;) {  // samples 0..have-1 are taken by every live candidate
        const Round round = run_round(race, alive, have, add, decision, tally);
        spent.samples += static_cast<std::int64_t>(round.ran);
        spent.simulations += round.simulations;
        const bool first = have == 0;
        have += add;
        if (round.ran < round.items || alive.size() <= 2) {
            return spent;  // out of time, or the final round has been played
        }
        cut(alive, tally, first);
        // What is left is spread evenly over the rounds still to come.
        const double ran = static_cast<double>(round.ran);
        const auto left = static_cast<std::int64_t>(spending.samples_left(
            false, spent.simulations, static_cast<double>(round.simulations) / ran,
            round.milliseconds / ran));
        const std::int64_t per_candidate =
            left / rounds_for(alive.size()) / static_cast<std::int64_t>(alive.size());
        if (per_candidate < 1) {
            return spent;
        }
        add = static_cast<int>(std::min<std::int64_t>(per_candidate, 1 << 20));
    }
}

Decision Planner::decide(const GAMESTATE& root, const GameContext& game,
                         const SearchBudget& asked, bool want_outcomes) {
    const SearchBudget budget = budget_for(root, game, asked);
    const Clock::time_point start = Clock::now();
    Decision decision;
    if (root.shot_number < 0 || root.shot_number > LAST_SHOT) {
        decision.shot = quick_shot();
        decision.quick = true;
        return decision;
    }
    // A fixed budget may still carry a time limit (the clock's share): it
    // binds only when the clock runs short.
    const bool limited = budget.milliseconds > 0.0;
    const auto deadline =
        start + std::chrono::microseconds(static_cast<std::int64_t>(budget.milliseconds * 1000.0));
    const std::function<bool()> in_time = [&] { return !limited || Clock::now() < deadline; };
    Spent spent;
    std::vector<Candidate> candidates = candidates_for(root, game, spent.simulations, in_time);
    const std::int64_t glance_simulations = spent.simulations;
    decision.candidates.resize(candidates.size());
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        decision.candidates[c].candidate = candidates[c];
    }
    Spending spending(budget, start);
    spending.set_halving_share(1.0 - options_.refine_share);
    decision.belief = opponents_.belief(game.past_ends);
    const Race race{&root,
                    &game,
                    decision.belief,
                    &candidates,
                    decision_seed(options_.seed, root),
                    want_outcomes,
                    in_time};
    std::vector<CandidateTally> tally(candidates.size());
    std::vector<std::size_t> alive(candidates.size());
    std::iota(alive.begin(), alive.end(), std::size_t{0});
    spent = halve(race, spending, alive, decision, tally, spent);

    // The refinement's samples are paid at the cost per sample so far.
    const double spent_ms = elapsed_ms(start);
    const std::int64_t sampled_simulations = spent.simulations - glance_simulations;
    const std::function<int(std::size_t)> affordable = [&](std::size_t shots) -> int {
        if (spent.samples <= 0 || shots == 0) {
            return 0;
        }
        const double samples = static_cast<double>(spent.samples);
        const double left = spending.samples_left(
            true, spent.simulations, static_cast<double>(sampled_simulations) / samples,
            spent_ms / samples);
        return static_cast<int>(std::clamp(left / static_cast<double>(shots), 0.0, 1.0e6));
    };
    const Refined refined = refine(race, alive, candidates, tally, decision, affordable);
    spent.samples += refined.samples;
    spent.simulations += refined.simulations;
    report(candidates, tally, refined.best, spent, decision);
    decision.milliseconds = elapsed_ms(start);
    return decision;
}

void Planner::report(const std::vector<Candidate>& candidates,
                     const std::vector<CandidateTally>& tally, std::size_t best, Spent spent,
                     Decision& decision) const {
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        decision.candidates[c].value = tally[c].mean();
        decision.candidates[c].samples = tally[c].count;
    }
    decision.chosen = static_cast<int>(best);
    decision.shot = candidates[best].shot;
    decision.samples = spent.samples;
    decision.simulations = spent.simulations;
}

}  // namespace planner
