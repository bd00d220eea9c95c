// Speed of the physics library through its public entry points, and of the
// reference fixed-step integrator on the same shots (the reported
// `speedup` is reference time / fast-path time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cmath>
#include <cstring>

#include "bench_shots.h"
#include "curling_simulator.h"
#include "engine.h"
#include "reference.h"
#include "sheet_io.h"
#include "support.h"

namespace cp = curling::physics;
using physics_test::empty_state;
using physics_bench::draw_to_tee;
using physics_bench::house_hit;
using physics_bench::house_of_15;
using physics_bench::median_ns;

namespace {

// Every stone of the house hit with both spins at strengths 10 and 16
// (60 shots, moving 2 to 9 stones each).
std::vector<ShotVector> all_house_hits() {
    std::vector<ShotVector> out;
    const GAMESTATE h = house_of_15();
    for (int k = 0; k < 15; ++k) {
        for (std::uint8_t spin = 0; spin < 2; ++spin) {
            for (float strength : {10.0f, 16.0f}) {
                ShotVector s{};
                CreateHitShot(ShotTarget{h.stones[k].x, h.stones[k].y, spin}, strength, &s);
                out.push_back(s);
            }
        }
    }
    return out;
}

void BM_DrawEmptySheet(benchmark::State& state) {
    const GAMESTATE start = empty_state(0);
    const ShotVector shot = draw_to_tee();
    for (auto _ : state) {
        GAMESTATE s = start;
        benchmark::DoNotOptimize(Simulation(&s, shot, 0.0f, 0, -1));
        benchmark::DoNotOptimize(s.stones[0]);
    }
}
BENCHMARK(BM_DrawEmptySheet);

void BM_HitIntoHouseOf15(benchmark::State& state) {
    const GAMESTATE start = house_of_15();
    const ShotVector shot = house_hit();
    // how many stones move
    GAMESTATE probe = start;
    Simulation(&probe, shot, 0.0f, 0, -1);
    int moved = 0;
    for (int k = 0; k < 15; ++k) {
        moved += std::memcmp(&probe.stones[k], &start.stones[k], sizeof(StonePosition)) != 0;
    }
    for (auto _ : state) {
        GAMESTATE s = start;
        benchmark::DoNotOptimize(Simulation(&s, shot, 0.0f, 0, -1));
        benchmark::DoNotOptimize(s.stones[0]);
    }
    state.counters["stones_moved"] = moved;
}
BENCHMARK(BM_HitIntoHouseOf15);

void BM_EveryHitIntoHouseOf15(benchmark::State& state) {
    const GAMESTATE start = house_of_15();
    const std::vector<ShotVector> shots = all_house_hits();
    std::size_t i = 0;
    for (auto _ : state) {
        GAMESTATE s = start;
        benchmark::DoNotOptimize(Simulation(&s, shots[i], 0.0f, 0, -1));
        benchmark::DoNotOptimize(s.stones[0]);
        if (++i == shots.size()) i = 0;
    }
}
BENCHMARK(BM_EveryHitIntoHouseOf15);

void BM_SweepRowIntoHouseOf15(benchmark::State& state) {
    // a row of the player's sweep: 280 lateral velocities at one speed
    const GAMESTATE start = house_of_15();
    int i = 0;
    for (auto _ : state) {
        GAMESTATE s = start;
        const float vx = -3.5f + 7.0f * static_cast<float>(i % 280) / 279.0f;
        benchmark::DoNotOptimize(Simulation(&s, ShotVector{vx, -30.272512f, static_cast<std::uint8_t>(i & 1)}, 0.0f, 0, -1));
        benchmark::DoNotOptimize(s.stones[0]);
        ++i;
    }
}
BENCHMARK(BM_SweepRowIntoHouseOf15);

void BM_CreateShot(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        ShotVector out{};
        const ShotTarget t{1.0f + 0.01f * static_cast<float>(i % 270), 3.2f + 0.03f * static_cast<float>(i % 250),
                           static_cast<std::uint8_t>(i & 1)};
        benchmark::DoNotOptimize(CreateShot(t, &out));
        benchmark::DoNotOptimize(out);
        ++i;
    }
}
BENCHMARK(BM_CreateShot);

void BM_CreateShotUnreachable(benchmark::State& state) {
    // the slow case: a target by the side line that must be moved inward
    for (auto _ : state) {
        ShotVector out{};
        benchmark::DoNotOptimize(CreateShot(ShotTarget{0.2f, 4.0f, 0}, &out));
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_CreateShotUnreachable);

void BM_CreateHitShot(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        ShotVector out{};
        const ShotTarget t{1.0f + 0.01f * static_cast<float>(i % 270), 3.2f + 0.03f * static_cast<float>(i % 250),
                           static_cast<std::uint8_t>(i & 1)};
        benchmark::DoNotOptimize(CreateHitShot(t, 16.0f, &out));
        benchmark::DoNotOptimize(out);
        ++i;
    }
}
BENCHMARK(BM_CreateHitShot);

void BM_GetScore(benchmark::State& state) {
    const GAMESTATE s = house_of_15();
    for (auto _ : state) benchmark::DoNotOptimize(GetScore(&s));
}
BENCHMARK(BM_GetScore);

// The reference integrator (dt = 1 ms) on the same two shots.
void reference_bench(benchmark::State& state, const GAMESTATE& start, ShotVector shot) {
    cp::Sheet sheet;
    cp::load_sheet(start, false, sheet);
    const cp::Vec2 vel{shot.vx * 0.1, shot.vy * 0.1};
    const int spin = shot.spin == 0 ? 1 : -1;
    const int thrown = start.shot_number;
    const double fast = median_ns(
        [&] {
            GAMESTATE s = start;
            benchmark::DoNotOptimize(Simulation(&s, shot, 0.0f, 0, -1));
        },
        2000);
    const auto begin = std::chrono::steady_clock::now();
    std::int64_t n = 0;
    for (auto _ : state) {
        cp::Sheet s = sheet;
        benchmark::DoNotOptimize(physics_test::reference_shot(s, thrown, vel, spin, 1e-3));
        ++n;
    }
    const double ref = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - begin).count() /
                       static_cast<double>(n);
    state.counters["fast_path_ns"] = fast;
    state.counters["speedup"] = ref / fast;
}

void BM_ReferenceDrawEmptySheet(benchmark::State& state) {
    reference_bench(state, empty_state(0), draw_to_tee());
}
BENCHMARK(BM_ReferenceDrawEmptySheet)->Unit(benchmark::kMicrosecond);

void BM_ReferenceHitIntoHouseOf15(benchmark::State& state) {
    reference_bench(state, house_of_15(), house_hit());
}
BENCHMARK(BM_ReferenceHitIntoHouseOf15)->Unit(benchmark::kMicrosecond);

}  // namespace
