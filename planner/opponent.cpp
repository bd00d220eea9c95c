#include "opponent.h"

#include <algorithm>
#include <cmath>

OpponentModels::OpponentModels(const std::vector<EndScoreModel>& models)
    : tables_(models.begin(), models.end()) {}

std::vector<EndScoreModel> known_opponents() {
    return {self_end_scores(), engine_end_scores(), draw_end_scores()};
}

std::vector<double> OpponentModels::belief(const std::vector<PastEnd>& ends) const {
    if (tables_.empty()) {
        return {};
    }
    // In logarithms: a long game of unlikely ends must not underflow every
    // model to zero.
    std::vector<double> log_likelihood(tables_.size(), 0.0);
    for (std::size_t m = 0; m < tables_.size(); ++m) {
        const EndScoreModel& model = tables_[m].model();
        for (const PastEnd& end : ends) {
            const EndScoreDistribution& scores = end.my_hammer ? model.own_hammer : model.other_hammer;
            const int k = std::clamp(end.hammer_score, -MAX_END_SCORE, MAX_END_SCORE);
            log_likelihood[m] +=
                std::log(std::max(scores[static_cast<std::size_t>(k + MAX_END_SCORE)], 1e-12));
        }
    }
    const double best = *std::max_element(log_likelihood.begin(), log_likelihood.end());
    std::vector<double> weight(tables_.size());
    double total = 0.0;
    for (std::size_t m = 0; m < tables_.size(); ++m) {
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
