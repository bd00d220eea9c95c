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

#include "delivery.h"
#include "planner.h"
#include "record_entries.h"
#include "random.h"
#include "rollout_policy.h"
#include "sheet.h"

namespace planner {

namespace {

// How often each score of an end (for the team with the hammer) was seen.
struct EndCounts {
    std::array<long, END_SCORE_VALUES> scores{};
    int ends = 0;

    void add(int hammer_score) {
        ++scores[static_cast<std::size_t>(std::clamp(hammer_score, -MAX_END_SCORE, MAX_END_SCORE) +
                                          MAX_END_SCORE)];
        ++ends;
    }
    double mean() const {
        double sum = 0.0;
        for (std::size_t k = 0; k < scores.size(); ++k) {
            sum += (static_cast<double>(k) - MAX_END_SCORE) * static_cast<double>(scores[k]);
        }
        return sum / std::max(ends, 1);
    }
};

// One pseudo-count per score keeps rare outcomes possible.
std::string distribution_row(const EndCounts& counts) {
    double total = 0.0;
    for (long count : counts.scores) {
        total += static_cast<double>(count + 1);
    }
    std::string row;
    for (std::size_t k = 0; k < counts.scores.size(); ++k) {
        char value[32];
        std::snprintf(value, sizeof value, "%.6f,%s",
                      static_cast<double>(counts.scores[k] + 1) / total,
                      k + 1 == counts.scores.size() ? "" : " ");
        row += value;
    }
    return row;
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

int write_distribution(const EndCounts& counts, const std::string& source,
                       const std::string& out_path) {
    std::cerr << "planner-tune: " << counts.ends << " ends, mean score with the hammer "
              << counts.mean() << "\n";
    return write_text("// Score of an end for the team with the hammer, -8 .. 8 (made by "
                      "planner-tune\n//" + source + "; counts plus one).\n" +
                          distribution_row(counts) + "\n",
                      out_path);
}

int write_model(const EndCounts& own, const EndCounts& other, const std::string& source,
                const std::string& out_path) {
    std::cerr << "planner-tune: " << own.ends << " ends with the hammer, mean " << own.mean()
              << "; " << other.ends << " ends of the other team's hammer, its mean "
              << other.mean() << "\n";
    if (own.ends == 0 || other.ends == 0) {
        std::cerr << "planner-tune: the records need ends of both teams' hammer\n";
        return 2;
    }
    return write_text("// Score of an end for the team with the hammer, -8 .. 8: first the\n"
                      "// player's hammer ends, then the other team's (made by planner-tune\n//" +
                          source + "; counts plus one).\n{" + distribution_row(own) + "},\n{" +
                          distribution_row(other) + "},\n",
                      out_path);
}

// Counts the ends of one curling-match record: all into `own`, or, with a
// player named, that player's hammer ends into `own` and the other's into
// `other`. False (with the reason written) when the record cannot be used.
bool count_record(const std::string& path, const std::string& player, EndCounts& own,
                  EndCounts& other) {
    int player_number_in_record = 0;  // 1 or 2 once the record names the player
    return for_each_entry(path, "planner-tune", [&](const nlohmann::json& entry) {
        const std::string type = entry.value("type", "");
        if (type == "match" && !player.empty()) {
            player_number_in_record = player_number(entry, player);
        }
        if (type != "end") {
            return true;
        }
        if (!player.empty() && player_number_in_record == 0) {
            std::cerr << "planner-tune: " << path << " has no player named " << player << "\n";
            return false;
        }
        // The record's score is player 1's; the hammer names a player.
        const int score = entry.at("score").get<int>();
        const int hammer = entry.at("hammer").get<int>();
        const bool others = !player.empty() && hammer != player_number_in_record;
        (others ? other : own).add(hammer == 1 ? score : -score);
        return true;
    });
}

int run_command_line(int argc, char** argv) {
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

    EndCounts counts;
    std::string source;
    if (!records.empty()) {
        EndCounts other_counts;
        for (const std::string& path : records) {
            if (!count_record(path, player, counts, other_counts)) {
                return 2;
            }
            source += " --record " + path;
        }
        if (player.empty()) {
            return write_distribution(counts, source, out_path);
        }
        return write_model(counts, other_counts, " --player " + player + source, out_path);
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
    // Self-play is valued by the self-play table, which makes the table a
    // fixed point of its own command.
    options.opponents = {self_end_scores()};
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
            deliver(load.api, CURLING_RULE_NONE, state, chosen, spread, noise);
        }
        // Team 1 (odd stones) had the hammer.
        counts.add(-team0_score(load.api.GetScore, state));
        if ((end + 1) % 1000 == 0 || (sims > 0 && (end + 1) % 20 == 0)) {
            std::cerr << "planner-tune: " << end + 1 << " of " << ends << " ends\n";
        }
    }
    return write_distribution(counts, source, out_path);
}

}  // namespace

}  // namespace planner

int main(int argc, char** argv) {
    return planner::run_command_line(argc, argv);
}
