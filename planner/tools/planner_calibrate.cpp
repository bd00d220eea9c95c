// Measures how well the look-ahead predicts real ends: for positions taken
// from curling-match records it plays the rest of the end out many times
// with the look-ahead's players and compares the predicted distribution of
// the end's score with the score the match actually saw.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <tuple>
#include <nlohmann/json.hpp>

#include "planner.h"
#include "record_entries.h"
#include "random.h"
#include "rollout_policy.h"
#include "sheet.h"

namespace {

struct Position {
    GAMESTATE state{};
    int hammer_score = 0;  // what the end gave the team with the hammer
    bool planner_hammer = false;
};

constexpr int CLAMP = 4;
constexpr int BINS = 2 * CLAMP + 1;

struct Tally {
    int positions = 0;
    double actual = 0.0;
    double predicted = 0.0;
    double log_loss = 0.0;
    double big_actual = 0.0;     // the hammer team scored 3 or more
    double big_predicted = 0.0;
    double steal_actual = 0.0;
    double steal_predicted = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> records;
    std::string player = "planner";
    int rollouts = 64;
    int every = 4;
    int first_shot = 1;
    int last_shot = 15;
    int careful_from = 10;
    std::uint64_t seed = 1;
    float spread = 0.145f;
    std::string library = executable_directory() + SIMULATOR_LIBRARY_FILE;
    CLI::App app{"planner-calibrate: the look-ahead's predicted end scores against real ends"};
    app.add_option("--record", records, "curling-match records")->required();
    app.add_option("--player", player, "name of the planner in the records")->capture_default_str();
    app.add_option("--rollouts", rollouts, "play-outs per position")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000000));
    app.add_option("--every", every, "take every N-th end")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000000));
    app.add_option("--first-shot", first_shot, "first shot number")->capture_default_str();
    app.add_option("--last-shot", last_shot, "last shot number")->capture_default_str();
    app.add_option("--careful-from", careful_from, "careful player from this stone")->capture_default_str();
    app.add_option("--seed", seed, "seed")->capture_default_str();
    app.add_option("--spread", spread, "noise")->capture_default_str();
    app.add_option("--simulator", library, "Physics library")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    const SimulatorLoad load = load_simulator_at(library);
    if (!load.loaded) {
        std::cerr << "planner-calibrate: " << load.error << "\n";
        return 2;
    }
    // (record, game, end) -> shots; then the end's score. Game numbers
    // repeat from one record to the next.
    using EndKey = std::tuple<std::size_t, int, int>;
    std::map<EndKey, std::vector<nlohmann::json>> shots;
    std::map<EndKey, nlohmann::json> ends;
    std::vector<int> planner_numbers(records.size(), 1);
    int last_end = 7;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const bool read = for_each_entry(records[r], "planner-calibrate", [&](const nlohmann::json& entry) {
            const std::string type = entry.value("type", "");
            if (type == "match") {
                last_end = std::clamp(entry.value("ends", 8), 1, CURLING_MAX_ENDS) - 1;
                if (const int number = player_number(entry, player); number != 0) {
                    planner_numbers[r] = number;
                }
            } else if (type == "shot") {
                shots[{r, entry.at("game").get<int>(), entry.at("end").get<int>()}].push_back(entry);
            } else if (type == "end") {
                ends[{r, entry.at("game").get<int>(), entry.at("end").get<int>()}] = entry;
            }
            return true;
        });
        if (!read) {
            return 2;
        }
    }
    std::vector<Position> positions;
    int index = 0;
    for (const auto& [key, end] : ends) {
        if (index++ % every != 0) continue;
        const int score = end.at("score").get<int>();
        const int hammer = end.at("hammer").get<int>();
        for (const nlohmann::json& shot : shots[key]) {
            const int n = shot.at("shot").get<int>();
            if (n < first_shot || n > last_shot) continue;
            Position p;
            p.state.shot_number = n;
            p.state.current_end = std::get<2>(key);
            p.state.last_end = last_end;
            p.state.moving_side = static_cast<std::uint8_t>(n & 1);
            const auto& stones = shot.at("position");
            for (int k = 0; k < STONES; ++k) {
                p.state.stones[k] = StonePosition{stones[k][0].get<float>(), stones[k][1].get<float>()};
            }
            p.hammer_score = hammer == 1 ? score : -score;
            p.planner_hammer = hammer == planner_numbers[std::get<0>(key)];
            positions.push_back(p);
        }
    }
    std::map<std::pair<int, bool>, Tally> tallies;
    std::vector<int> counts(BINS);
    long long simulations_all = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Position& p = positions[i];
        std::fill(counts.begin(), counts.end(), 0);
        double mean = 0.0;
        for (int r = 0; r < rollouts; ++r) {
            SampleRandom random(mix_seed(seed, i * 100003ULL + static_cast<std::uint64_t>(r)));
            GAMESTATE state = p.state;
            int simulations = 0;
            for (int shot = p.state.shot_number; shot <= LAST_SHOT; ++shot) {
                state.shot_number = shot;
                ShotVector next = rollout_shot(load.api, state, random, careful_from, simulations);
                next.vx += static_cast<float>(spread * random.gaussian());
                next.vy += static_cast<float>(spread * random.gaussian());
                load.api.Simulation(&state, next, 0.0f, 0, -1);
                ++simulations;
            }
            simulations_all += simulations;
            const int hammer_score = -team0_score(load.api.GetScore, state);
            mean += hammer_score;
            ++counts[static_cast<std::size_t>(std::clamp(hammer_score, -CLAMP, CLAMP) + CLAMP)];
        }
        mean /= rollouts;
        for (const int group : {p.state.shot_number, -1}) {
            Tally& t = tallies[{group, p.planner_hammer}];
            ++t.positions;
            t.actual += p.hammer_score;
            t.predicted += mean;
            const int bin = std::clamp(p.hammer_score, -CLAMP, CLAMP) + CLAMP;
            const double prob = (counts[static_cast<std::size_t>(bin)] + 0.5) / (rollouts + 0.5 * BINS);
            t.log_loss -= std::log(prob);
            double big = 0.0;
            double steal = 0.0;
            for (int b = 0; b < BINS; ++b) {
                if (b - CLAMP >= 3) big += counts[static_cast<std::size_t>(b)];
                if (b - CLAMP < 0) steal += counts[static_cast<std::size_t>(b)];
            }
            t.big_predicted += big / rollouts;
            t.steal_predicted += steal / rollouts;
            t.big_actual += p.hammer_score >= 3 ? 1.0 : 0.0;
            t.steal_actual += p.hammer_score < 0 ? 1.0 : 0.0;
        }
    }
    std::printf("%zu positions, %.1f simulated shots per play-out\n", positions.size(),
                static_cast<double>(simulations_all) / static_cast<double>(positions.size() * rollouts));
    std::printf("shot hammer     n  actual  predict  logloss  big3+ act/pred  steal act/pred\n");
    for (const auto& [key, t] : tallies) {
        const double n = t.positions;
        std::printf("%4s %-7s %5d  %+.3f  %+.3f   %.3f   %.3f %.3f   %.3f %.3f\n",
                    key.first < 0 ? "all" : std::to_string(key.first).c_str(),
                    key.second ? "planner" : "other", t.positions, t.actual / n, t.predicted / n,
                    t.log_loss / n, t.big_actual / n, t.big_predicted / n, t.steal_actual / n,
                    t.steal_predicted / n);
    }
    return 0;
}
