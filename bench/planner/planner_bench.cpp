#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "planner.h"
#include "turn.h"

namespace {

GAMESTATE position(std::int32_t shot_number,
                   std::initializer_list<std::pair<std::int32_t, StonePosition>> stones) {
    GAMESTATE state{};
    state.shot_number = shot_number;
    state.current_end = 2;
    state.last_end = 7;
    for (const auto& [index, stone] : stones) {
        state.stones[index] = stone;
    }
    return state;
}

// Shot 2: a centre guard and one stone in the house; 13 stones to play out.
const GAMESTATE EARLY = position(2, {{0, {2.4f, 8.0f}}, {1, {2.1f, 4.9f}}});
// Shot 9: a crowded house, guards in front.
const GAMESTATE MIDDLE = position(9, {{0, {2.375f, 4.6f}},
                                      {1, {2.1f, 5.1f}},
                                      {2, {2.9f, 4.2f}},
                                      {3, {2.4f, 7.0f}},
                                      {4, {1.5f, 3.9f}},
                                      {5, {2.7f, 5.6f}},
                                      {6, {3.2f, 7.6f}},
                                      {7, {2.0f, 4.3f}},
                                      {8, {2.5f, 8.3f}}});
// Shot 15, the hammer: every execution is scored at once.
const GAMESTATE LAST = position(15, {{0, {2.375f, 4.6f}},
                                     {1, {2.1f, 5.1f}},
                                     {2, {2.9f, 4.2f}},
                                     {4, {1.5f, 3.9f}},
                                     {6, {3.2f, 7.6f}},
                                     {8, {2.5f, 8.3f}},
                                     {10, {2.2f, 4.7f}},
                                     {12, {2.6f, 6.6f}},
                                     {14, {2.3f, 5.3f}}});

const SimulatorApi& physics() {
    static const SimulatorLoad load = load_simulator_at(BENCH_PHYSICS_PATH);
    return load.api;
}

// Samples and simulated shots per second of one core's time: a decision
// with a fixed budget of 20000 simulated shots on one thread (the
// shortlist's quick look included). Rates are per CPU second, so that a
// loaded machine slows the wall time but not the figure much.
void BM_SamplesPerCore(benchmark::State& bench, const GAMESTATE& state) {
    planner::PlannerOptions options = planner::shipped_options();
    options.threads = 1;
    planner::Planner planner(physics(), options);
    std::int64_t samples = 0;
    std::int64_t simulations = 0;
    for (auto _ : bench) {
        const planner::Decision decision = planner.decide(
            state, planner::GameContext{0, 2, 7, {}}, planner::SearchBudget{20000, 0.0});
        samples += decision.samples;
        simulations += decision.simulations;
        benchmark::DoNotOptimize(decision.shot);
    }
    bench.counters["samples_per_s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
    bench.counters["simulations_per_s"] =
        benchmark::Counter(static_cast<double>(simulations), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_SamplesPerCore, early_shot2, EARLY)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SamplesPerCore, middle_shot9, MIDDLE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SamplesPerCore, last_shot15, LAST)->Unit(benchmark::kMillisecond);

// A whole decision with the player's default budget (of which the stone
// gets its share) on two threads: the decision time per shot.
void BM_FixedDecision(benchmark::State& bench, const GAMESTATE& state) {
    planner::PlannerOptions options = planner::shipped_options();
    options.threads = 2;
    planner::Planner planner(physics(), options);
    const planner::SearchBudget budget{
        planner::stone_share(state.shot_number, planner::DEFAULT_SIMS), 0.0};
    for (auto _ : bench) {
        const planner::Decision decision =
            planner.decide(state, planner::GameContext{0, 2, 7, {}}, budget);
        benchmark::DoNotOptimize(decision.shot);
    }
}
BENCHMARK_CAPTURE(BM_FixedDecision, early_shot2, EARLY)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_FixedDecision, middle_shot9, MIDDLE)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_FixedDecision, last_shot15, LAST)->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole decision as the player makes it: a time budget on two threads.
// The wall time should sit just above the budget; the samples say how much
// search it bought.
void BM_TimedDecision(benchmark::State& bench, const GAMESTATE& state) {
    planner::PlannerOptions options = planner::shipped_options();
    options.threads = 2;
    planner::Planner planner(physics(), options);
    const double budget = static_cast<double>(bench.range(0));
    std::int64_t samples = 0;
    std::int64_t decisions = 0;
    for (auto _ : bench) {
        const planner::Decision decision = planner.decide(
            state, planner::GameContext{0, 2, 7, {}}, planner::SearchBudget{0, budget});
        samples += decision.samples;
        ++decisions;
    }
    bench.counters["samples_per_decision"] =
        static_cast<double>(samples) / static_cast<double>(std::max<std::int64_t>(decisions, 1));
}
BENCHMARK_CAPTURE(BM_TimedDecision, early_shot2, EARLY)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TimedDecision, middle_shot9, MIDDLE)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_TimedDecision, last_shot15, LAST)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime();

// The value model on one position, as the look-ahead calls it at every
// leaf: the shipped model, or a zero one of the shipped shape (64, 32)
// while the shipped file holds none (the cost does not depend on the
// weights).
const planner::ValueNet& value_net_to_time() {
    static const planner::ValueNet zero = planner::zero_value_net({64, 32});
    return planner::shipped_value_net().empty() ? zero : planner::shipped_value_net();
}

void BM_ValueModel(benchmark::State& bench, const GAMESTATE& state) {
    const planner::ValueNet& net = value_net_to_time();
    bench.SetLabel(planner::shipped_value_net().empty() ? "zero 64,32" : "shipped");
    for (auto _ : bench) {
        benchmark::DoNotOptimize(planner::value_chances(net, state, state.shot_number));
    }
}
BENCHMARK_CAPTURE(BM_ValueModel, middle_shot9, MIDDLE);

}  // namespace

BENCHMARK_MAIN();
