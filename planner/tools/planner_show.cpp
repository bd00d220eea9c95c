// Prints what the planner thinks of one position: every candidate with its
// label, value and samples, best first. For looking into single decisions.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "planner.h"

namespace planner {

namespace {

int run_command_line(int argc, char** argv) {
    std::vector<float> stones;
    int shot = 0;
    int end = 0;
    int last_end = 7;
    int lead = 0;
    std::int64_t sims = 20000;
    int top = 25;
    PlannerOptions options = shipped_options();
    options.threads = 2;
    std::string library = executable_directory() + SIMULATOR_LIBRARY_FILE;
    CLI::App app{"planner-show: the planner's candidates for one position"};
    app.add_option("--stones", stones, "x y of the stones 0..15 (32 numbers)")->expected(32)->required();
    app.add_option("--shot", shot, "shot number")->capture_default_str();
    app.add_option("--end", end, "end (from 0)")->capture_default_str();
    app.add_option("--last-end", last_end, "last regular end (from 0)")->capture_default_str();
    app.add_option("--lead", lead, "lead of the team to throw")->capture_default_str();
    app.add_option("--sims", sims, "simulated shots (the sample budget)")->capture_default_str();
    app.add_option("--top", top, "candidates to print")->capture_default_str();
    app.add_option("--seed", options.seed, "seed")->capture_default_str();
    app.add_option("--threads", options.threads, "threads")->capture_default_str();
    app.add_option("--careful-from", options.careful_from, "careful look-ahead from this stone")
        ->capture_default_str();
    app.add_option("--shortlist", options.shortlist, "candidates sampled")->capture_default_str();
    app.add_option("--stratify", options.stratify,
                   "low-discrepancy noise: 0 none, 1 the execution, 2 the reply too")
        ->capture_default_str()
        ->check(CLI::Range(0, 2));
    app.add_option("--simulator", library, "Physics library")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    const SimulatorLoad load = load_simulator_at(library);
    if (!load.loaded) {
        std::cerr << "planner-show: " << load.error << "\n";
        return 2;
    }
    GAMESTATE state{};
    state.shot_number = shot;
    state.current_end = end;
    state.last_end = last_end;
    for (int k = 0; k < CURLING_STONES; ++k) {
        state.stones[k] = StonePosition{stones[2 * k], stones[2 * k + 1]};
    }
    Planner planner(load.api, options);
    GameContext game;
    game.lead = lead;
    game.end = end;
    game.last_end = last_end;
    const Decision decision = planner.decide(state, game, SearchBudget{sims, 0.0});
    std::vector<std::size_t> order(decision.candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto& x = decision.candidates[a];
        const auto& y = decision.candidates[b];
        return x.samples != y.samples ? x.samples > y.samples : x.value > y.value;
    });
    std::printf("%zu candidates, %lld samples, %lld simulations, %.1f ms; chosen: %s\n", order.size(),
                static_cast<long long>(decision.samples), static_cast<long long>(decision.simulations), decision.milliseconds,
                decision.candidates[static_cast<std::size_t>(decision.chosen)].candidate.label.c_str());
    for (int i = 0; i < top && i < static_cast<int>(order.size()); ++i) {
        const CandidateReport& c = decision.candidates[order[static_cast<std::size_t>(i)]];
        std::printf("%-28s value %.4f samples %5d  shot %.3f %.3f %d\n", c.candidate.label.c_str(),
                    c.value, c.samples, static_cast<double>(c.candidate.shot.vx),
                    static_cast<double>(c.candidate.shot.vy), c.candidate.shot.spin);
    }
    return 0;
}

}  // namespace

}  // namespace planner

int main(int argc, char** argv) {
    return planner::run_command_line(argc, argv);
}
