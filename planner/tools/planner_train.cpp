// Fits the planner's value model (value_model.h) to match records and says
// how well it predicts games it was not fitted on, beside the model it would
// replace. The same records, options and seed give the same file.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "leaf_model.h"
#include "net_training.h"
#include "training_data.h"

namespace planner {

namespace {

struct Options {
    std::vector<std::string> records;
    std::string out;
    std::string previous;
    std::string report;
    std::string counts_player;
    std::vector<std::string> header;
    std::string planner = "planner";
    int held_out_every = 10;
    bool opponent_inputs = false;
    TrainOptions train;
};

bool read_text(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return static_cast<bool>(in);
}

bool write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

struct Split {
    std::vector<Example> train;
    std::vector<Example> held;
    std::vector<const Position*> held_positions;
};

Split split(const TrainingData& data, const Options& options) {
    Split split;
    for (const Position& position : data.positions) {
        Example example{options.opponent_inputs
                            ? position_inputs(data, position, options.planner)
                            : value_inputs(position.state, position.thrown),
                        position.label()};
        if (held_out(position, options.train.seed, options.held_out_every)) {
            split.held.push_back(example);
            split.held_positions.push_back(&position);
        } else {
            split.train.push_back(example);
        }
    }
    return split;
}

// Today's counts model, on the held-out positions of games in which
// `player` took part, seen from that player.
std::string counts_model_line(const TrainingData& data, const Split& split,
                              const ValueNet& fitted, const std::string& player) {
    double counts = 0.0;
    double model = 0.0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < split.held.size(); ++i) {
        const Position& p = *split.held_positions[i];
        const Record& record = data.records[static_cast<std::size_t>(p.record)];
        const int number = record.names[0] == player ? 1 : (record.names[1] == player ? 2 : 0);
        if (number == 0) {
            continue;
        }
        const int label = std::clamp(p.hammer_score, LEAF_LOW, LEAF_HIGH) - LEAF_LOW;
        const auto chances = leaf_distribution(p.state, p.thrown, p.hammer_player == number);
        counts -= std::log(std::max(chances[static_cast<std::size_t>(label)], 1e-300));
        const ValueChances mine = value_chances(fitted, split.held[i].inputs);
        model -= std::log(std::max(mine[static_cast<std::size_t>(split.held[i].label)], 1e-300));
        ++n;
    }
    std::ostringstream line;
    line << "held-out positions of games with " << player << ": " << n;
    if (n > 0) {
        line << ", log loss " << model / static_cast<double>(n) << " (the counts model "
             << counts / static_cast<double>(n) << ")";
    }
    return line.str();
}

// The fitted and the previous model on the held-out positions of the
// planner's games against each kind of opponent: what knowing the opponent
// is worth shows here, not in the mean over every game.
std::vector<std::string> opponent_lines(const TrainingData& data, const Split& split,
                                        const ValueNet& fitted, const ValueNet& previous,
                                        const std::string& planner) {
    std::vector<std::string> lines;
    for (const char* opponent : {"self", "engine", "draw"}) {
        std::vector<Example> against;
        for (std::size_t i = 0; i < split.held.size(); ++i) {
            const Record& record =
                data.records[static_cast<std::size_t>(split.held_positions[i]->record)];
            if (record.names[0] == planner && record.names[1] == opponent) {
                against.push_back(split.held[i]);
            }
        }
        if (against.empty()) {
            continue;
        }
        std::ostringstream line;
        line << "held-out positions of games against " << opponent << ": " << against.size()
             << ", log loss " << mean_log_loss(fitted, against);
        if (!previous.empty()) {
            line << " (the previous model " << mean_log_loss(previous, against) << ")";
        }
        lines.push_back(line.str());
    }
    return lines;
}

int run(const Options& options) {
    TrainingData data;
    for (const std::string& path : options.records) {
        std::string error;
        if (!read_positions(path, data, error)) {
            std::cerr << "planner-train: " << error << "\n";
            return 2;
        }
    }
    ValueNet previous;
    if (!options.previous.empty()) {
        std::string text;
        std::string error;
        if (!read_text(options.previous, text) || !parse_value_net(text, previous, error)) {
            std::cerr << "planner-train: " << options.previous << ": "
                      << (error.empty() ? "cannot read" : error) << "\n";
            return 2;
        }
    }
    const Split parts = split(data, options);
    if (parts.train.empty()) {
        std::cerr << "planner-train: no positions to fit in the records given\n";
        return 2;
    }
    int games = 0;
    for (const Record& record : data.records) {
        games += record.games;
    }
    std::cerr << "planner-train: " << data.positions.size() << " positions of " << games
              << " games; fitting on " << parts.train.size() << ", holding out "
              << parts.held.size() << "\n";
    ValueNet net = train_value_net(parts.train, options.train, [](int epoch, double loss) {
        std::cerr << "planner-train: epoch " << epoch << ", training log loss " << loss << "\n";
    });
    std::vector<std::string> report;
    std::ostringstream line;
    line << "fitted on " << parts.train.size() << " positions; held out " << parts.held.size()
         << " (one game pair in " << options.held_out_every << "): log loss "
         << mean_log_loss(net, parts.held);
    if (!previous.empty()) {
        line << " (the previous model " << mean_log_loss(previous, parts.held) << ")";
    }
    report.push_back(line.str());
    if (!options.counts_player.empty()) {
        report.push_back(counts_model_line(data, parts, net, options.counts_player));
    }
    for (const std::string& text : opponent_lines(data, parts, net, previous, options.planner)) {
        report.push_back(text);
    }
    net.end_scores = end_score_tables(data, options.planner);
    net.header = options.header;
    net.header.insert(net.header.end(), report.begin(), report.end());
    for (const std::string& text : report) {
        std::cout << text << "\n";
    }
    if (!write_text(options.out, format_value_net(net))) {
        std::cerr << "planner-train: cannot write " << options.out << "\n";
        return 2;
    }
    if (!options.report.empty()) {
        std::string text;
        for (const std::string& r : report) {
            text += r + "\n";
        }
        if (!write_text(options.report, text)) {
            std::cerr << "planner-train: cannot write " << options.report << "\n";
            return 2;
        }
    }
    return 0;
}

int run_command_line(int argc, char** argv) {
    Options options;
    CLI::App app{"planner-train: fits the planner's value model to match records"};
    app.add_option("--record", options.records, "curling-match records to learn from")
        ->required();
    app.add_option("--out", options.out, "The model file to write")->required();
    app.add_option("--previous", options.previous,
                   "A model file to judge beside the new one on the held-out games");
    app.add_option("--report", options.report, "Also write the report lines to this file");
    app.add_option("--counts-model", options.counts_player,
                   "Also judge the counts model on the held-out games of this player");
    app.add_option("--planner", options.planner,
                   "The planner's name in the records: its games against an opponent named "
                   "self, engine or draw give the model's tables of end scores")
        ->capture_default_str();
    app.add_option("--opponent-inputs", options.opponent_inputs,
                   "Tell the model who the planner played (engine, draw player, itself) in its "
                   "games against them (0 or 1; off: one model of every game, the better choice "
                   "while the records hold too few games against an opponent to learn it from)")
        ->capture_default_str();
    app.add_option("--header", options.header,
                   "A line for the model file's header (what made it), repeatable");
    app.add_option("--held-out-every", options.held_out_every,
                   "Hold out one game pair in this many (0: none)")
        ->capture_default_str()
        ->check(CLI::Range(0, 1000000));
    app.add_option("--hidden", options.train.hidden, "Units of each hidden layer")
        ->capture_default_str()
        ->delimiter(',')
        ->check(CLI::Range(1, 1024));
    app.add_option("--epochs", options.train.epochs)->capture_default_str()->check(CLI::Range(1, 10000));
    app.add_option("--batch", options.train.batch)->capture_default_str()->check(CLI::Range(1, 1 << 20));
    app.add_option("--rate", options.train.rate)->capture_default_str()->check(CLI::Range(1e-7f, 1.0f));
    app.add_option("--l2", options.train.l2)->capture_default_str()->check(CLI::Range(0.0f, 1.0f));
    app.add_option("--seed", options.train.seed, "Seed of the first weights, the order and the held-out games")
        ->capture_default_str();
    app.add_option("--threads", options.train.threads, "Threads (the result does not depend on them)")
        ->capture_default_str()
        ->check(CLI::Range(1, 256));
    CLI11_PARSE(app, argc, argv);
    return run(options);
}

}  // namespace

}  // namespace planner

int main(int argc, char** argv) {
    return planner::run_command_line(argc, argv);
}
