// Plays many random shots into random crowded houses through Simulation and
// checks that every one of them comes to rest (return 1, never 2: a shot
// cut short by the event bound leaves stones where the bound stopped them).
// Reports the count of each return, the call times (median, the slowest
// calls) and every shot cut short, with its case in hexadecimal floats so
// that it can be replayed exactly. On a shared machine a call is sometimes
// descheduled: the slowest calls by wall time are timed again (the least of
// several replays), so that the slowest call reported is the physics'.
//
//     build/bench/bin/physics_crowded_shots --shots 1000000 --seed 1
//
// Exits with status 1 when any shot was cut short.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "curling_simulator.h"
#include "support.h"

namespace {

using physics_test::Rng;

struct Options {
    std::uint64_t shots = 1000000;
    std::uint64_t seed = 1;
    int worst = 5;
};

struct Timed {
    double ns;
    std::uint64_t index;
    std::int32_t result;
};

// Each shot draws from its own stream, so that shot i of a seed can be
// replayed alone.
Rng shot_stream(std::uint64_t seed, std::uint64_t index) {
    return Rng(seed * 0x100000001b3ULL + index * 0x9e3779b97f4a7c15ULL + 1);
}

struct Case {
    GAMESTATE house;
    ShotVector shot;
};

Case make_case(std::uint64_t seed, std::uint64_t index) {
    Rng rng = shot_stream(seed, index);
    const int stones = 6 + static_cast<int>(rng.next() % 10);
    const GAMESTATE house = physics_test::crowded_house(rng, stones);
    return Case{house, physics_test::crowded_shot(rng, house)};
}

double replay_ns(const Case& c, int times) {
    double best = 0.0;
    for (int r = 0; r < times; ++r) {
        GAMESTATE s = c.house;
        const auto t0 = std::chrono::steady_clock::now();
        Simulation(&s, c.shot, 0.0f, 0, -1);
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        if (r == 0 || ns < best) best = ns;
    }
    return best;
}

void print_case(const GAMESTATE& s, ShotVector shot) {
    std::printf("    stones (x, y):");
    for (int k = 0; k < s.shot_number; ++k) std::printf(" {%a, %a}", s.stones[k].x, s.stones[k].y);
    std::printf("\n    shot: {%a, %a, %d}\n", shot.vx, shot.vy, shot.spin);
}

void report_call(const Options& o, const Timed& t) {
    const Case c = make_case(o.seed, t.index);
    std::printf("  shot %llu: %.1f us, returned %d\n", static_cast<unsigned long long>(t.index), t.ns / 1000.0,
                t.result);
    print_case(c.house, c.shot);
}

int run(const Options& o) {
    std::vector<Timed> calls;
    calls.reserve(o.shots);
    std::uint64_t returns[4] = {};  // 1, 2, anything else
    const auto begin = std::chrono::steady_clock::now();
    for (std::uint64_t i = 0; i < o.shots; ++i) {
        const Case c = make_case(o.seed, i);
        GAMESTATE s = c.house;
        const ShotVector shot = c.shot;
        const auto t0 = std::chrono::steady_clock::now();
        const std::int32_t r = Simulation(&s, shot, 0.0f, 0, -1);
        const auto t1 = std::chrono::steady_clock::now();
        calls.push_back(Timed{std::chrono::duration<double, std::nano>(t1 - t0).count(), i, r});
        ++returns[r == 1 ? 0 : (r == 2 ? 1 : 2)];
        if ((i + 1) % 100000 == 0) {
            std::fprintf(stderr, "%llu shots, %llu cut short\n", static_cast<unsigned long long>(i + 1),
                         static_cast<unsigned long long>(returns[1]));
        }
    }
    const double total_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%llu shots into crowded houses (seed %llu) in %.1f s\n", static_cast<unsigned long long>(o.shots),
                static_cast<unsigned long long>(o.seed), total_s);
    std::printf("returned 1: %llu, 2 (cut short): %llu, other: %llu\n", static_cast<unsigned long long>(returns[0]),
                static_cast<unsigned long long>(returns[1]), static_cast<unsigned long long>(returns[2]));
    if (calls.empty()) return 0;
    for (const Timed& t : calls) {
        if (t.result != 1) report_call(o, t);
    }
    std::vector<Timed> by_time = calls;
    auto faster = [](const Timed& a, const Timed& b) { return a.ns < b.ns; };
    std::sort(by_time.begin(), by_time.end(), faster);
    const std::size_t retimed = std::min<std::size_t>(by_time.size(), 1000 + by_time.size() / 1000);
    for (std::size_t k = by_time.size() - retimed; k < by_time.size(); ++k) {
        by_time[k].ns = replay_ns(make_case(o.seed, by_time[k].index), 5);
    }
    std::sort(by_time.begin(), by_time.end(), faster);
    std::printf("(the %zu slowest calls timed again: the least of 5 replays)\n", retimed);
    auto quantile = [&](double q) { return by_time[static_cast<std::size_t>(q * static_cast<double>(by_time.size() - 1))].ns; };
    std::printf("call time: median %.2f us, 99%% %.2f us, 99.99%% %.2f us, slowest %.1f us\n", quantile(0.5) / 1000.0,
                quantile(0.99) / 1000.0, quantile(0.9999) / 1000.0, by_time.back().ns / 1000.0);
    std::printf("slowest calls:\n");
    const int worst = std::min<int>(o.worst, static_cast<int>(by_time.size()));
    for (int k = 0; k < worst; ++k) report_call(o, by_time[by_time.size() - 1 - static_cast<std::size_t>(k)]);
    return returns[1] + returns[2] == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"Random shots into crowded houses: every one must come to rest"};
    app.add_option("--shots", o.shots, "number of shots")->capture_default_str();
    app.add_option("--seed", o.seed, "seed of the random houses and shots")->capture_default_str();
    app.add_option("--worst", o.worst, "how many of the slowest calls to show")->capture_default_str()->check(CLI::NonNegativeNumber);
    CLI11_PARSE(app, argc, argv);
    return run(o);
}
