#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "simulator/simulator_binding.h"
#include "strategy/choose_shot.h"
#ifdef BENCH_DOUBLE_PATH
#include "testing/doubles/simulator_double.h"
#endif

namespace {

constexpr std::int32_t FULL_TIME = 600000;

_GAMESTATE position(std::int32_t shot_number, std::int32_t current_end,
                    std::initializer_list<std::pair<std::int32_t, StonePosition>> stones) {
    _GAMESTATE state{};
    state.shot_number = shot_number;
    state.current_end = current_end;
    state.last_end = 8;
    state.moving_side = static_cast<std::uint8_t>(current_end % 2);
    for (const auto& [index, stone] : stones) {
        state.stones[index] = stone;
    }
    return state;
}

// Shot 6: two guards in front, one stone of each side in the house.
const _GAMESTATE GUARDED_HOUSE = position(
    6, 2, {{0, {2.3f, 7.2f}}, {1, {2.6f, 4.5f}}, {2, {2.2f, 4.9f}}, {3, {1.9f, 8.1f}}});
// Shot 11: a crowded house late in the end.
const _GAMESTATE CROWDED_HOUSE = position(11, 5,
                                          {{0, {2.375f, 4.6f}},
                                           {1, {2.1f, 5.1f}},
                                           {2, {2.9f, 4.2f}},
                                           {3, {2.4f, 7.0f}},
                                           {4, {1.5f, 3.9f}},
                                           {5, {3.2f, 5.5f}},
                                           {7, {2.2f, 8.3f}},
                                           {8, {2.6f, 3.4f}},
                                           {10, {2.0f, 4.4f}}});
// Shot 15: the hammer with the opponent sitting two.
const _GAMESTATE LAST_STONE_DOWN_TWO = position(15, 4,
                                                {{0, {2.4f, 4.7f}},
                                                 {2, {2.2f, 5.3f}},
                                                 {3, {2.9f, 4.0f}},
                                                 {4, {2.375f, 7.5f}},
                                                 {7, {1.7f, 5.9f}},
                                                 {9, {2.6f, 3.3f}},
                                                 {12, {2.0f, 8.2f}}});
// Shot 15 in an even end with an empty house: the blank-end rule decides.
const _GAMESTATE LAST_STONE_EMPTY_HOUSE = position(15, 6, {{4, {2.5f, 8.0f}}});

void decide(benchmark::State& bench, const char* library, const _GAMESTATE* state) {
    if (!load_simulator_from(library)) {
        bench.SkipWithError("cannot load the simulator library");
        return;
    }
#ifdef BENCH_DOUBLE_PATH
    // The double would otherwise log every call it receives.
    double_set_recording(false);
#endif
    ShotVector out{};
    for (auto _ : bench) {
        choose_shot(state, &out, FULL_TIME);
        benchmark::DoNotOptimize(out);
    }
}

void register_decisions(const char* kind, const char* library) {
    const std::pair<const char*, const _GAMESTATE*> positions[] = {
        {"mid_end_guarded_house", &GUARDED_HOUSE},
        {"mid_end_crowded_house", &CROWDED_HOUSE},
        {"last_stone_down_two", &LAST_STONE_DOWN_TWO},
        {"last_stone_empty_house", &LAST_STONE_EMPTY_HOUSE},
    };
    for (const auto& [name, state] : positions) {
        const std::string label = std::string(kind) + "/" + name;
        benchmark::RegisterBenchmark(label.c_str(), decide, library, state)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->UseRealTime();
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef BENCH_DOUBLE_PATH
    register_decisions("double", BENCH_DOUBLE_PATH);
#endif
#ifdef BENCH_PHYSICS_PATH
    register_decisions("physics", BENCH_PHYSICS_PATH);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
