#include "opponent.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace planner {

OpponentModels::OpponentModels(const std::vector<EndScoreModel>& models)
    : tables_(models.begin(), models.end()) {}

namespace {

constexpr const char* KNOWN[] = {"self", "engine", "draw"};
static_assert(END_SCORE_RANGE == MAX_END_SCORE);

}  // namespace

std::size_t opponent_index(const std::string& name) {
    for (std::size_t k = 0; k < std::size(KNOWN); ++k) {
        if (name == KNOWN[k]) {
            return k;
        }
    }
    return 0;
}

std::vector<EndScoreModel> known_opponents(const ValueNet* model) {
    std::vector<EndScoreModel> known = {self_end_scores(), engine_end_scores(), draw_end_scores()};
    if (model != nullptr) {
        for (const EndScoreTable& table : model->end_scores) {
            for (std::size_t k = 0; k < std::size(KNOWN); ++k) {
                if (table.opponent == KNOWN[k]) {
                    known[k] = EndScoreModel{table.own_hammer, table.other_hammer};
                }
            }
        }
    }
    for (std::size_t k = 0; k < known.size(); ++k) {
        known[k].opponent = static_cast<int>(k);
    }
    return known;
}

namespace {

// The share of an even chance over the legal scores in what the belief
// takes a model to say of an end: the tables count ends of a few opponents,
// and an end none of them played must not be taken as next to impossible.
constexpr double EVEN_SHARE = 0.05;
// The share of the belief that stays spread evenly over the models, however
// clearly the ends point to one: the opponent may be none of them.
constexpr double DOUBT = 0.1;

}  // namespace

double OpponentModels::end_chance(std::size_t model, bool my_hammer, int hammer_score) const {
    const EndScoreModel& scores = tables_[model].model();
    const EndScoreDistribution& chances = my_hammer ? scores.own_hammer : scores.other_hammer;
    const int k = std::clamp(hammer_score, -MAX_END_SCORE, MAX_END_SCORE);
    return (1.0 - EVEN_SHARE) * chances[static_cast<std::size_t>(k + MAX_END_SCORE)] +
           EVEN_SHARE / END_SCORE_VALUES;
}

std::vector<double> OpponentModels::belief(const std::vector<PastEnd>& ends) const {
    if (tables_.empty()) {
        return {};
    }
    // In logarithms: a long game of unlikely ends must not underflow every
    // model to zero.
    std::vector<double> log_likelihood(tables_.size(), 0.0);
    for (std::size_t m = 0; m < tables_.size(); ++m) {
        for (const PastEnd& end : ends) {
            log_likelihood[m] += std::log(end_chance(m, end.my_hammer, end.hammer_score));
        }
    }
    const double best = *std::max_element(log_likelihood.begin(), log_likelihood.end());
    std::vector<double> weight(tables_.size());
    double total = 0.0;
    for (std::size_t m = 0; m < tables_.size(); ++m) {
        weight[m] = std::exp(log_likelihood[m] - best);
        total += weight[m];
    }
    const double even = 1.0 / static_cast<double>(tables_.size());
    for (double& w : weight) {
        w = (1.0 - DOUBT) * w / total + DOUBT * even;
    }
    return weight;
}

double OpponentModels::after_end(const std::vector<double>& belief, const ChancesByOpponent& chances,
                                 int lead, int end, int last_end, bool hammer) const {
    double value = 0.0;
    for (std::size_t m = 0; m < tables_.size(); ++m) {
        if (belief[m] <= 0.0) {
            continue;
        }
        const int kind = std::clamp(tables_[m].model().opponent, 0, VALUE_OPPONENT_KINDS - 1);
        const ValueChances& of_kind = chances[static_cast<std::size_t>(kind)];
        double outlook = 0.0;
        for (int c = 0; c < VALUE_CLASSES; ++c) {
            const int hammer_score = VALUE_LOW + c;
            outlook += of_kind[static_cast<std::size_t>(c)] *
                       tables_[m].after_end(lead, end, last_end, hammer,
                                            hammer ? hammer_score : -hammer_score);
        }
        value += belief[m] * outlook;
    }
    return value;
}

double OpponentModels::after_end(const std::vector<double>& belief, int lead, int end, int last_end,
                                 bool hammer, int end_score) const {
    double value = 0.0;
    for (std::size_t m = 0; m < tables_.size(); ++m) {
        if (belief[m] > 0.0) {
            value += belief[m] * tables_[m].after_end(lead, end, last_end, hammer, end_score);
        }
    }
    return value;
}

}  // namespace planner
