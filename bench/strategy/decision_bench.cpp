#include <benchmark/benchmark.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "simulator/simulator_binding.h"
#include "strategy/choose_shot.h"
#include "strategy/sweep_worker.h"
#include "strategy/worker_stack.h"
#ifdef BENCH_DOUBLE_PATH
#include "testing/doubles/simulator_double.h"
#endif

namespace {

constexpr std::int32_t FULL_TIME = 600000;
// Blocks of one search: 2 spin groups x rows x 35 blocks of eight.
constexpr std::int32_t MID_END_BLOCKS = 2 * 6 * 35;
constexpr std::int32_t LAST_STONE_BLOCKS = 2 * 9 * 35;

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

// Thread defaults as the process found them, before anything changed them:
// the denominator of the ratio runs with these.
pthread_attr_t system_defaults;

void use_system_stack() { pthread_setattr_default_np(&system_defaults); }

double process_cpu_ms() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

// CPU time of every thread of the process per iteration: unlike the wall
// time, it hardly grows when other processes compete for the cores.
void count_process_cpu(benchmark::State& bench, double start_ms) {
    bench.counters["all_threads_cpu_ms"] =
        (process_cpu_ms() - start_ms) / static_cast<double>(bench.iterations());
}

void decide(benchmark::State& bench, const char* library, const _GAMESTATE* state) {
    if (!load_simulator_from(library)) {
        bench.SkipWithError("cannot load the simulator library");
        return;
    }
#ifdef BENCH_DOUBLE_PATH
    // The double would otherwise log every call it receives.
    double_set_recording(false);
#endif
    // As the engine's main sets it up.
    if (!use_worker_stack()) {
        bench.SkipWithError("cannot set the worker stack");
        return;
    }
    ShotVector out{};
    const double start_ms = process_cpu_ms();
    for (auto _ : bench) {
        choose_shot(state, &out, FULL_TIME);
        benchmark::DoNotOptimize(out);
    }
    count_process_cpu(bench, start_ms);
}

// The fan-out of a search with nothing in it: per block seven threads with
// empty bodies started one after another, then joined in start order.
void bare_fanout(benchmark::State& bench, std::int32_t blocks, bool engine_stack) {
    if (!engine_stack) {
        use_system_stack();
    } else if (!use_worker_stack()) {
        bench.SkipWithError("cannot set the worker stack");
        return;
    }
    const double start_ms = process_cpu_ms();
    for (auto _ : bench) {
        for (std::int32_t block = 0; block < blocks; ++block) {
            std::array<std::thread, SWEEP_BLOCK - 1> workers;
            for (std::thread& worker : workers) {
                worker = std::thread([] {});
            }
            for (std::thread& worker : workers) {
                worker.join();
            }
        }
    }
    count_process_cpu(bench, start_ms);
}

void configure(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
}

// Each decision benchmark with the shape of its fan-out, in registration
// order.
std::vector<std::pair<std::string, std::string>> decisions;

void register_decisions(const char* kind, const char* library) {
    struct Position {
        const char* name;
        const char* shape;
        const _GAMESTATE* state;
    };
    const Position positions[] = {
        {"mid_end_guarded_house", "mid_end", &GUARDED_HOUSE},
        {"mid_end_crowded_house", "mid_end", &CROWDED_HOUSE},
        {"last_stone_down_two", "last_stone", &LAST_STONE_DOWN_TWO},
        {"last_stone_empty_house", "last_stone", &LAST_STONE_EMPTY_HOUSE},
    };
    for (const Position& position : positions) {
        const std::string label = std::string(kind) + "/" + position.name;
        configure(benchmark::RegisterBenchmark(label.c_str(), decide, library, position.state));
        decisions.emplace_back(label, position.shape);
    }
}

void register_fanouts() {
    for (const bool engine_stack : {false, true}) {
        const std::string kind = engine_stack ? "bare_fanout_worker_stack/" : "bare_fanout/";
        configure(benchmark::RegisterBenchmark((kind + "mid_end").c_str(), bare_fanout,
                                               MID_END_BLOCKS, engine_stack));
        configure(benchmark::RegisterBenchmark((kind + "last_stone").c_str(), bare_fanout,
                                               LAST_STONE_BLOCKS, engine_stack));
    }
}

std::string number(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

struct Figures {
    double wall_ms;
    double cpu_ms;
};

// Prints the usual table, then each decision beside the bare fan-out of its
// shape (system stacks) with their ratios: medians over the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            const auto cpu = run.counters.find("all_threads_cpu_ms");
            const Figures figures{run.GetAdjustedRealTime(),
                                  cpu == run.counters.end() ? 0.0 : cpu->second.value};
            if (run.run_type == Run::RT_Iteration) {
                runs_[name].push_back(figures);
            } else if (run.aggregate_name == "median") {
                medians_[name] = figures;
            }
        }
    }

    void Finalize() override {
        // Where only the aggregates were reported, their medians stand.
        for (const auto& [name, runs] : runs_) {
            std::vector<double> wall;
            std::vector<double> cpu;
            for (const Figures& figures : runs) {
                wall.push_back(figures.wall_ms);
                cpu.push_back(figures.cpu_ms);
            }
            medians_.try_emplace(name, Figures{median(wall), median(cpu)});
        }
        std::ostream& out = GetOutputStream();
        out << "\nDecision against the bare fan-out of its shape (seven empty threads per block,\n"
               "system stacks); wall time, then the CPU time of all threads:\n";
        out << row({"decision", "wall ms", "bare ms", "ratio", "cpu ms", "bare cpu", "ratio"});
        for (const auto& [name, shape] : decisions) {
            const auto decision = medians_.find(name);
            const auto bare = medians_.find(std::string("bare_fanout/") + shape);
            if (decision == medians_.end() || bare == medians_.end()) {
                continue;
            }
            const Figures& d = decision->second;
            const Figures& b = bare->second;
            out << row({name, number(d.wall_ms, 1), number(b.wall_ms, 1),
                        number(d.wall_ms / b.wall_ms, 2), number(d.cpu_ms, 1),
                        number(b.cpu_ms, 1), number(d.cpu_ms / b.cpu_ms, 2)});
        }
    }

private:
    static std::string row(const std::vector<std::string>& cells) {
        char text[200];
        std::snprintf(text, sizeof text, "%-34s %9s %9s %6s %9s %9s %6s\n", cells[0].c_str(),
                      cells[1].c_str(), cells[2].c_str(), cells[3].c_str(), cells[4].c_str(),
                      cells[5].c_str(), cells[6].c_str());
        return text;
    }

    std::map<std::string, std::vector<Figures>> runs_;
    std::map<std::string, Figures> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    pthread_getattr_default_np(&system_defaults);
#ifdef BENCH_DOUBLE_PATH
    register_decisions("double", BENCH_DOUBLE_PATH);
#endif
#ifdef BENCH_PHYSICS_PATH
    register_decisions("physics", BENCH_PHYSICS_PATH);
#endif
    register_fanouts();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_ColorTabular
                                                       : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
