#include "opponent.h"

#include <algorithm>
#include <cmath>

OpponentModels::OpponentModels(const std::vector<EndScoreModel>& models) {
    for (const EndScoreModel& model : models) {
        tables_.emplace_back(model);
        models_.push_back(tables_.back().model());
    }
}

std::vector<EndScoreModel> known_opponents() {
    return {{shipped_end_scores(), shipped_end_scores()}, engine_end_scores(), draw_end_scores()};
}

std::vector<double> OpponentModels::belief(const std::vector<PastEnd>& ends) const {
    if (models_.empty()) {
        return {};
    }
    // In logarithms: a long game of unlikely ends must not underflow every
    // model to zero.
    std::vector<double> log_likelihood(models_.size(), 0.0);
    for (std::size_t m = 0; m < models_.size(); ++m) {
        for (const PastEnd& end : ends) {
            const EndScoreDistribution& scores =
                end.my_hammer ? models_[m].own_hammer : models_[m].other_hammer;
            const int k = std::clamp(end.hammer_score, -MAX_END_SCORE, MAX_END_SCORE);
            log_likelihood[m] += std::log(std::max(scores[static_cast<std::size_t>(k + MAX_END_SCORE)], 1e-12));
        }
    }
    const double best = *std::max_element(log_likelihood.begin(), log_likelihood.end());
    std::vector<double> weight(models_.size());
    double total = 0.0;
    for (std::size_t m = 0; m < models_.size(); ++m) {
        weight[m] = std::exp(log_likelihood[m] - best);
        total += weight[m];
    }
    for (double& w : weight) {
        w /= total;
    }
    return weight;
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
