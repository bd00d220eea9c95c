#include "box2d_comparison.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bench_shots.h"
#include "box2d_stones.h"
#include "curling_simulator.h"
#include "engine.h"
#include "reference.h"
#include "sheet_io.h"

namespace physics_bench {

namespace cp = curling::physics;

namespace {

enum ShotId { DRAW, HOUSE_HIT, TAKEOUT, SHOT_COUNT };

struct ComparedShot {
    const char* name;
    GAMESTATE start;
    ShotVector shot;
};

ComparedShot compared_shot(int id) {
    switch (id) {
        case DRAW: return {"draw to the tee, empty sheet", physics_test::empty_state(0), draw_to_tee()};
        case HOUSE_HIT: return {"hit into a house of 15", house_of_15(), house_hit()};
        default: return {"takeout from the tee", stone_on_tee(), takeout_from_tee()};
    }
}

// The shot as the model's internal velocity and curl sign.
cp::Vec2 internal_velocity(ShotVector shot) {
    return cp::Vec2{shot.vx * cp::VELOCITY_UNIT, shot.vy * cp::VELOCITY_UNIT};
}
int curl_sign(ShotVector shot) { return shot.spin == 0 ? 1 : -1; }

cp::Sheet start_sheet(const GAMESTATE& state) {
    cp::Sheet sheet;
    cp::load_sheet(state, false, sheet);
    return sheet;
}

// Where the library leaves the stones, through its public entry point.
cp::Sheet library_outcome(const ComparedShot& c) {
    GAMESTATE s = c.start;
    Simulation(&s, c.shot, 0.0f, 0, -1);
    return start_sheet(s);
}

// How far an outcome lies from the reference's: the largest distance
// between where a stone rests in each, and how many stones are in play in
// one and not in the other (which no distance measures).
struct Offset {
    double metres = 0.0;
    int in_or_out_differs = 0;
};

Offset offset_from(const cp::Sheet& outcome, const cp::Sheet& reference) {
    Offset off;
    for (int k = 0; k < cp::STONES; ++k) {
        const bool in = outcome.slot[k] == cp::Slot::IN_PLAY;
        if (in != (reference.slot[k] == cp::Slot::IN_PLAY)) {
            ++off.in_or_out_differs;
        } else if (in) {
            off.metres = std::max(off.metres, std::hypot(outcome.pos[k].x - reference.pos[k].x,
                                                         outcome.pos[k].y - reference.pos[k].y));
        }
    }
    return off;
}

struct Row {
    int shot;
    double rate_hz;
    std::int64_t iterations;
    double box2d_ns;
    double library_ns;
    Offset box2d_off;
    Offset library_off;
};

// Every run of the comparison benchmarks, including Google Benchmark's
// shorter runs that only size the reported ones.
std::vector<Row>& rows() {
    static std::vector<Row> all;
    return all;
}

void BM_Box2D(benchmark::State& state, int shot_id, double rate_hz) {
    const ComparedShot c = compared_shot(shot_id);
    const cp::Sheet start = start_sheet(c.start);
    const int thrown = c.start.shot_number;
    const cp::Vec2 vel = internal_velocity(c.shot);
    const int spin = curl_sign(c.shot);

    cp::Sheet reference = start;
    physics_test::reference_shot(reference, thrown, vel, spin);
    const double library_ns = median_ns<ThreadCpuClock>(
        [&] {
            GAMESTATE s = c.start;
            benchmark::DoNotOptimize(Simulation(&s, c.shot, 0.0f, 0, -1));
        },
        2000);

    cp::Sheet played = start;
    Box2DResult result;
    const auto begin = ThreadCpuClock::now();
    for (auto _ : state) {
        played = start;
        result = box2d_shot(played, thrown, vel, spin, rate_hz);
        benchmark::DoNotOptimize(played);
    }
    const double box2d_ns = std::chrono::duration<double, std::nano>(ThreadCpuClock::now() - begin).count() /
                            static_cast<double>(state.iterations());
    if (result.cut_short) {
        state.SkipWithError("Box2D: stones still sliding at the time limit");
        return;
    }
    const Row row{shot_id,  rate_hz, static_cast<std::int64_t>(state.iterations()), box2d_ns, library_ns,
                  offset_from(played, reference), offset_from(library_outcome(c), reference)};
    rows().push_back(row);
    state.counters["box2d_off_mm"] = row.box2d_off.metres * 1e3;
    state.counters["library_off_mm"] = row.library_off.metres * 1e3;
    state.counters["library_ns"] = library_ns;
    state.counters["ratio"] = box2d_ns / library_ns;
}

BENCHMARK_CAPTURE(BM_Box2D, draw_60Hz, DRAW, 60.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Box2D, draw_1kHz, DRAW, 1000.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Box2D, house_hit_60Hz, HOUSE_HIT, 60.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Box2D, house_hit_1kHz, HOUSE_HIT, 1000.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Box2D, takeout_60Hz, TAKEOUT, 60.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Box2D, takeout_1kHz, TAKEOUT, 1000.0)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

void print_offset(std::FILE* out, Offset off) {
    if (off.in_or_out_differs > 0) {
        std::fprintf(out, " %9.4f mm +%d in/out", off.metres * 1e3, off.in_or_out_differs);
    } else {
        std::fprintf(out, " %9.4f mm         ", off.metres * 1e3);
    }
}

}  // namespace

void print_box2d_comparison(std::FILE* out) {
    const std::vector<Row>& all = rows();
    if (all.empty()) return;
    std::fprintf(out,
                 "\nBox2D %s against this library, same shots, same run; positions compared with the\n"
                 "fine-step reference (Runge-Kutta, dt = 1 ms): the largest distance of a stone from where\n"
                 "the reference leaves it (\"+n in/out\": n stones in play in one and not the other).\n"
                 "Times: CPU time of the benchmark's thread per shot, medians of the reported runs.\n\n",
                 box2d_version());
    std::fprintf(out, "%-29s %7s %4s %10s %10s %13s %22s %22s\n", "shot", "step", "runs", "library", "Box2D",
                 "Box2D/library", "library off reference", "Box2D off reference");
    for (int shot = 0; shot < SHOT_COUNT; ++shot) {
        for (double rate : {60.0, 1000.0}) {
            std::int64_t reported = 0;
            for (const Row& r : all) {
                if (r.shot == shot && r.rate_hz == rate) reported = std::max(reported, r.iterations);
            }
            if (reported == 0) continue;
            std::vector<double> box2d;
            std::vector<double> library;
            Offset box2d_off;
            Offset library_off;
            for (const Row& r : all) {
                if (r.shot != shot || r.rate_hz != rate || r.iterations != reported) continue;
                box2d.push_back(r.box2d_ns);
                library.push_back(r.library_ns);
                box2d_off = r.box2d_off;
                library_off = r.library_off;
            }
            const double b = median(box2d);
            const double l = median(library);
            std::fprintf(out, "%-29s %4.0f Hz %4zu %7.2f us %7.2f ms %11.0f x", compared_shot(shot).name, rate,
                         box2d.size(), l * 1e-3, b * 1e-6, b / l);
            print_offset(out, library_off);
            print_offset(out, box2d_off);
            std::fprintf(out, "\n");
        }
    }
}

}  // namespace physics_bench
