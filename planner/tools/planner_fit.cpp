// Fits the look-ahead's model of the rest of an end (leaf_model.h) to match
// records: for every position after a stone, the features the planner sees
// and the score the end really had, one softmax regression for each count of
// stones thrown and each side with the hammer. Full-batch and started from
// zero, so the same records give the same file.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "leaf_model.h"
#include "record_entries.h"

namespace planner {

namespace {

constexpr int ITERATIONS = 400;
constexpr double LEARNING_RATE = 0.05;
constexpr double L2 = 1e-3;

struct Example {
    std::array<float, LEAF_FEATURES> features;
    int label;
};

using Examples = std::array<std::vector<Example>, LEAF_MODELS>;

int model_of(int thrown, bool player_has_hammer) {
    return (thrown - 1) * 2 + (player_has_hammer ? 1 : 0);
}

// The positions of one record, each labelled with its end's score for the
// team with the hammer. False (with the reason written) when it cannot be used.
bool read_record(const std::string& path, const std::string& player, Examples& examples) {
    int player_number_in_record = 0;
    std::map<std::pair<int, int>, std::vector<std::pair<int, GAMESTATE>>> positions;
    return for_each_entry(path, "planner-fit", [&](const nlohmann::json& entry) {
        const std::string type = entry.value("type", "");
        if (type == "match") {
            player_number_in_record = player_number(entry, player);
        } else if (type == "shot") {
            const int thrown = entry.at("shot").get<int>() + 1;
            if (thrown >= CURLING_STONES) {
                return true;
            }
            GAMESTATE state{};
            const nlohmann::json& after = entry.at("after");
            for (int k = 0; k < CURLING_STONES; ++k) {
                state.stones[k].x = after.at(k).at(0).get<float>();
                state.stones[k].y = after.at(k).at(1).get<float>();
            }
            positions[{entry.at("game").get<int>(), entry.at("end").get<int>()}].push_back(
                {thrown, state});
        } else if (type == "end") {
            if (player_number_in_record == 0) {
                std::cerr << "planner-fit: " << path << " has no player named " << player << "\n";
                return false;
            }
            const auto found =
                positions.find({entry.at("game").get<int>(), entry.at("end").get<int>()});
            if (found == positions.end()) {
                return true;
            }
            const int hammer = entry.at("hammer").get<int>();
            const int score = entry.at("score").get<int>();  // player 1's
            const int hammer_score = hammer == 1 ? score : -score;
            const int label = std::clamp(hammer_score, LEAF_LOW, LEAF_HIGH) - LEAF_LOW;
            for (const auto& [thrown, state] : found->second) {
                examples[static_cast<std::size_t>(
                             model_of(thrown, hammer == player_number_in_record))]
                    .push_back(Example{leaf_features(state, thrown), label});
            }
            positions.erase(found);
        }
        return true;
    });
}

using Weights = std::vector<double>;  // LEAF_FEATURES x LEAF_CLASSES, row major

// Class probabilities of one example.
std::array<double, LEAF_CLASSES> predict(const Weights& w, const double* x) {
    return leaf_chances(x, w.data());
}

// Each feature's mean and spread over the examples (the constant excepted),
// so that the descent sees features of one scale.
struct Scaling {
    static constexpr int SCALED = LEAF_FEATURES - 1;
    std::vector<double> mean = std::vector<double>(SCALED, 0.0);
    std::vector<double> sd = std::vector<double>(SCALED, 0.0);
};

Scaling scaling_of(const std::vector<Example>& examples) {
    Scaling scaling;
    const double n = static_cast<double>(examples.size());
    for (const Example& e : examples) {
        for (int j = 0; j < Scaling::SCALED; ++j) {
            scaling.mean[static_cast<std::size_t>(j)] += e.features[static_cast<std::size_t>(j)];
        }
    }
    for (double& m : scaling.mean) {
        m /= n;
    }
    for (const Example& e : examples) {
        for (int j = 0; j < Scaling::SCALED; ++j) {
            const double d = e.features[static_cast<std::size_t>(j)] - scaling.mean[static_cast<std::size_t>(j)];
            scaling.sd[static_cast<std::size_t>(j)] += d * d;
        }
    }
    for (double& s : scaling.sd) {
        s = std::sqrt(s / n) + 1e-6;
    }
    return scaling;
}

// The examples' features, scaled, one row of LEAF_FEATURES each.
std::vector<double> scaled_features(const std::vector<Example>& examples, const Scaling& scaling) {
    std::vector<double> x(examples.size() * LEAF_FEATURES);
    for (std::size_t i = 0; i < examples.size(); ++i) {
        for (int j = 0; j < LEAF_FEATURES; ++j) {
            const auto jj = static_cast<std::size_t>(j);
            const double raw = examples[i].features[jj];
            x[i * LEAF_FEATURES + jj] =
                j < Scaling::SCALED ? (raw - scaling.mean[jj]) / scaling.sd[jj] : raw;
        }
    }
    return x;
}

// Softmax regression by Adam on the full batch, from zero.
Weights descend(const std::vector<Example>& examples, const std::vector<double>& x) {
    const std::size_t n = examples.size();
    const std::size_t size = LEAF_FEATURES * LEAF_CLASSES;
    Weights w(size, 0.0), m(size, 0.0), v(size, 0.0), g(size);
    for (int it = 1; it <= ITERATIONS; ++it) {
        std::fill(g.begin(), g.end(), 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            const double* xi = &x[i * LEAF_FEATURES];
            std::array<double, LEAF_CLASSES> p = predict(w, xi);
            p[static_cast<std::size_t>(examples[i].label)] -= 1.0;
            for (int j = 0; j < LEAF_FEATURES; ++j) {
                for (int c = 0; c < LEAF_CLASSES; ++c) {
                    g[static_cast<std::size_t>(j * LEAF_CLASSES + c)] += xi[j] * p[static_cast<std::size_t>(c)];
                }
            }
        }
        const double b1 = 1.0 - std::pow(0.9, it), b2 = 1.0 - std::pow(0.999, it);
        for (std::size_t k = 0; k < size; ++k) {
            const double grad = g[k] / static_cast<double>(n) + L2 * w[k];
            m[k] = 0.9 * m[k] + 0.1 * grad;
            v[k] = 0.999 * v[k] + 0.001 * grad * grad;
            w[k] -= LEARNING_RATE * (m[k] / b1) / (std::sqrt(v[k] / b2) + 1e-8);
        }
    }
    return w;
}

// The weights in the raw features' terms, so that the player needs no scaling.
Weights unscaled(const Weights& w, const Scaling& scaling) {
    Weights raw(w.size());
    constexpr int SCALED = Scaling::SCALED;
    for (int c = 0; c < LEAF_CLASSES; ++c) {
        double shift = 0.0;
        for (int j = 0; j < SCALED; ++j) {
            const double wj = w[static_cast<std::size_t>(j * LEAF_CLASSES + c)] /
                              scaling.sd[static_cast<std::size_t>(j)];
            raw[static_cast<std::size_t>(j * LEAF_CLASSES + c)] = wj;
            shift += scaling.mean[static_cast<std::size_t>(j)] * wj;
        }
        raw[static_cast<std::size_t>(SCALED * LEAF_CLASSES + c)] =
            w[static_cast<std::size_t>(SCALED * LEAF_CLASSES + c)] - shift;
    }
    return raw;
}

double mean_log_loss(const Weights& raw, const std::vector<Example>& examples) {
    double loss = 0.0;
    for (const Example& e : examples) {
        double x[LEAF_FEATURES];
        for (int j = 0; j < LEAF_FEATURES; ++j) {
            x[j] = e.features[static_cast<std::size_t>(j)];
        }
        loss -= std::log(predict(raw, x)[static_cast<std::size_t>(e.label)] + 1e-12);
    }
    return loss / static_cast<double>(examples.size());
}

int run_command_line(int argc, char** argv) {
    std::vector<std::string> records;
    std::string player = "planner";
    std::string out_path;
    CLI::App app{"planner-fit: fits the look-ahead's model of the rest of an end to match records"};
    app.add_option("--record", records, "curling-match records to learn from")->required();
    app.add_option("--player", player, "The planner's name in the records")->capture_default_str();
    app.add_option("--out", out_path, "File to write (planner/data/leaf_model.inc)")->required();
    CLI11_PARSE(app, argc, argv);

    Examples examples;
    std::string source;
    for (const std::string& path : records) {
        if (!read_record(path, player, examples)) {
            return 2;
        }
        source += " --record " + path;
    }
    std::string text = "// The look-ahead's model of the rest of an end (made by planner-fit --player " +
                       player + source + ").\n";
    for (int model = 0; model < LEAF_MODELS; ++model) {
        const std::vector<Example>& data = examples[static_cast<std::size_t>(model)];
        if (data.empty()) {
            std::cerr << "planner-fit: no position with " << model / 2 + 1 << " stones thrown and "
                      << (model % 2 != 0 ? "the player's" : "the other's") << " hammer\n";
            return 2;
        }
        const Scaling scaling = scaling_of(data);
        const Weights w = unscaled(descend(data, scaled_features(data, scaling)), scaling);
        const double log_loss = mean_log_loss(w, data);
        std::cerr << "planner-fit: " << model / 2 + 1 << " stones thrown, "
                  << (model % 2 != 0 ? "the player's" : "the other's") << " hammer: "
                  << data.size() << " positions, log loss " << log_loss << "\n";
        text += "{";
        for (std::size_t k = 0; k < w.size(); ++k) {
            char value[32];
            std::snprintf(value, sizeof value, "%.6ff%s", w[k], k + 1 == w.size() ? "" : ", ");
            text += value;
        }
        text += "},\n";
    }
    std::ofstream out(out_path);
    out << text;
    if (!out) {
        std::cerr << "planner-fit: cannot write " << out_path << "\n";
        return 2;
    }
    return 0;
}

}  // namespace

}  // namespace planner

int main(int argc, char** argv) {
    return planner::run_command_line(argc, argv);
}
