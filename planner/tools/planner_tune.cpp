// Makes the end-score distribution the planner's win table is built from:
// plays ends from an empty sheet with execution noise and counts the score
// of the team with the hammer. The ends are played by the planner itself
// with a fixed sample budget (or, with --sims 0, by its rollout policy), so
// the file is reproduced exactly from the seed. With --record it counts the
// ends of match records instead, and with --player as well it counts that
// player's hammer ends and the other's apart: the two distributions of a
// win table for games against that opponent.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "planner.h"
#include "random.h"
#include "rollout_policy.h"
#include "sheet.h"

namespace {

// One pseudo-count per score keeps rare outcomes possible.
std::string distribution_row(const std::array<long, END_SCORE_VALUES>& counts) {
    double total = 0.0;
    for (long count : counts) {
        total += static_cast<double>(count + 1);
    }
    std::string row;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f,%s", static_cast<double>(counts[k] + 1) / total,
                      k + 1 == counts.size() ? "" : " ");
        row += value;
    }
    return row;
}

double mean_score(const std::array<long, END_SCORE_VALUES>& counts, int ends) {
    double mean = 0.0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        mean += (static_cast<double>(k) - MAX_END_SCORE) * static_cast<double>(counts[k]);
    }
    return mean / std::max(ends, 1);
}

int write_text(const std::string& text, const std::string& out_path) {
    if (out_path.empty()) {
        std::cout << text;
        return 0;
    }
    std::ofstream out(out_path);
    out << text;
    if (!out) {
        std::cerr << "planner-tune: cannot write " << out_path << "\n";
        return 2;
    }
    return 0;
}

int write_distribution(const std::array<long, END_SCORE_VALUES>& counts, int ends,
                       const std::string& source, const std::string& out_path) {
    std::cerr << "planner-tune: " << ends << " ends, mean score with the hammer "
              << mean_score(counts, ends) << "\n";
    return write_text("// Score of an end for the team with the hammer, -8 .. 8 (made by "
                      "planner-tune\n//" + source + "; counts plus one).\n" +
                          distribution_row(counts) + "\n",
                      out_path);
}

int write_model(const std::array<long, END_SCORE_VALUES>& own, int own_ends,
                const std::array<long, END_SCORE_VALUES>& other, int other_ends,
                const std::string& source, const std::string& out_path) {
    std::cerr << "planner-tune: " << own_ends << " ends with the hammer, mean "
              << mean_score(own, own_ends) << "; " << other_ends
              << " ends of the other team's hammer, its mean " << mean_score(other, other_ends)
              << "\n";
    if (own_ends == 0 || other_ends == 0) {
        std::cerr << "planner-tune: the records need ends of both teams' hammer\n";
        return 2;
    }
    return write_text("// Score of an end for the team with the hammer, -8 .. 8: first the\n"
                      "// player's hammer ends, then the other team's (made by planner-tune\n//" +
                          source + "; counts plus one).\n{" + distribution_row(own) + "},\n{" +
                          distribution_row(other) + "},\n",
                      out_path);
}

}  // namespace

int main(int argc, char** argv) {
    int ends = 400;
    std::int64_t sims = 600;
    std::uint64_t seed = 1;
    float spread = 0.145f;
    int threads = 2;
    int careful_from = 10;
    std::string out_path;
    std::vector<std::string> records;
    std::string player;
    std::string library = executable_directory() + SIMULATOR_LIBRARY_FILE;
    CLI::App app{"planner-tune: measures the distribution of an end's score for the win table"};
    app.add_option("--ends", ends, "Ends to play")->capture_default_str()->check(CLI::Range(1, 10000000));
    app.add_option("--sims", sims, "Simulated shots per decision (0: the rollout policy plays)")
        ->capture_default_str();
    app.add_option("--seed", seed, "Seed of the execution noise and of the planner")->capture_default_str();
    app.add_option("--spread", spread, "Execution noise (0.1 m/s)")->capture_default_str();
    app.add_option("--threads", threads, "Planner threads")->capture_default_str();
    app.add_option("--careful-from", careful_from, "Rollout stones chosen with care from this one")
        ->capture_default_str();
    app.add_option("--simulator", library, "Physics library")->capture_default_str();
    app.add_option("--out", out_path, "File to write (planner/data/end_scores.inc); default: print");
    app.add_option("--record", records,
                   "Count the ends of these curling-match records instead of playing ends");
    app.add_option("--player", player,
                   "With --record: count this player's hammer ends and the other's apart "
                   "(writes the two distributions of an asymmetric win table)");
    CLI11_PARSE(app, argc, argv);

    std::array<long, END_SCORE_VALUES> counts{};
    std::string source;
    if (!records.empty()) {
        std::array<long, END_SCORE_VALUES> other_counts{};
        ends = 0;
        int other_ends = 0;
        for (const std::string& path : records) {
            std::ifstream in(path);
            if (!in) {
                std::cerr << "planner-tune: cannot read " << path << "\n";
                return 2;
            }
            int player_number = 0;  // 1 or 2 once the record names --player
            std::string line;
            while (std::getline(in, line)) {
                const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
                if (entry.is_discarded()) {
                    continue;
                }
                if (entry.value("type", "") == "match" && !player.empty()) {
                    const nlohmann::json& players = entry.at("players");
                    for (std::size_t i = 0; i < players.size(); ++i) {
                        if (players[i].value("name", "") == player) {
                            player_number = static_cast<int>(i) + 1;
                        }
                    }
                }
                if (entry.value("type", "") != "end") {
                    continue;
                }
                if (!player.empty() && player_number == 0) {
                    std::cerr << "planner-tune: " << path << " has no player named " << player
                              << "\n";
                    return 2;
                }
                // The record's score is player 1's; the hammer names a player.
                const int score = entry.at("score").get<int>();
                const int hammer = entry.at("hammer").get<int>();
                const int hammer_score = hammer == 1 ? score : -score;
                const bool other = !player.empty() && hammer != player_number;
                ++(other ? other_counts : counts)[static_cast<std::size_t>(
                    std::clamp(hammer_score, -MAX_END_SCORE, MAX_END_SCORE) + MAX_END_SCORE)];
                ++(other ? other_ends : ends);
            }
            source += " --record " + path;
        }
        if (player.empty()) {
            return write_distribution(counts, ends, source, out_path);
        }
        source = " --player " + player + source;
        return write_model(counts, ends, other_counts, other_ends, source, out_path);
    }
    source = " --ends " + std::to_string(ends) + " --sims " + std::to_string(sims) + " --seed " +
             std::to_string(seed) + " --careful-from " + std::to_string(careful_from);
    const SimulatorLoad load = load_simulator_at(library);
    if (!load.loaded) {
        std::cerr << "planner-tune: " << load.error << "\n";
        return 2;
    }
    PlannerOptions options;
    options.spread = spread;
    options.threads = threads;
    options.seed = seed;
    options.careful_from = careful_from;
    // Self-play: both teams convert the hammer alike.
    options.end_scores = {shipped_end_scores(), shipped_end_scores()};
    Planner planner(load.api, options);
    SampleRandom noise(mix_seed(seed, 0x6e6f697365ULL));
    for (int end = 0; end < ends; ++end) {
        GAMESTATE state{};
        state.last_end = 7;
        for (int shot = 0; shot < CURLING_STONES; ++shot) {
            state.shot_number = shot;
            state.moving_side = static_cast<std::uint8_t>(shot & 1);
            ShotVector chosen{};
            if (sims > 0) {
                chosen = planner.decide(state, GameContext{}, SearchBudget{sims, 0.0}).shot;
            } else {
                int ignored = 0;
                chosen = rollout_shot(load.api, state, noise, careful_from, ignored);
            }
            chosen.vx += static_cast<float>(spread * noise.gaussian());
            chosen.vy += static_cast<float>(spread * noise.gaussian());
            load.api.Simulation(&state, chosen, 0.0f, 0, -1);
        }
        // Team 1 (odd stones) had the hammer.
        const int hammer_score = -team0_score(load.api.GetScore, state);
        ++counts[static_cast<std::size_t>(std::clamp(hammer_score, -MAX_END_SCORE, MAX_END_SCORE) +
                                          MAX_END_SCORE)];
        if ((end + 1) % 1000 == 0 || (sims > 0 && (end + 1) % 20 == 0)) {
            std::cerr << "planner-tune: " << end + 1 << " of " << ends << " ends\n";
        }
    }
    return write_distribution(counts, ends, source, out_path);
}
