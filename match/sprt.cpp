#include "sprt.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace runner {

double SprtBounds::lower() const { return std::log(beta / (1.0 - alpha)); }
double SprtBounds::upper() const { return std::log((1.0 - beta) / alpha); }

const char* sprt_accepts() {
    return "elo0=A,elo1=B[,alpha=P,beta=P] with elo0 < elo1, Elo from -1000 to 1000, and alpha "
           "and beta above 0 and below 0.5 (default 0.05)";
}

namespace {

std::optional<double> finite_number(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<SprtBounds> parse_sprt(const std::string& text) {
    std::map<std::string, double> values;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos) {
            return std::nullopt;
        }
        const std::string key = item.substr(0, equals);
        const auto value = finite_number(item.substr(equals + 1));
        if (!value || (key != "elo0" && key != "elo1" && key != "alpha" && key != "beta") ||
            !values.emplace(key, *value).second) {
            return std::nullopt;
        }
    }
    if (values.count("elo0") == 0 || values.count("elo1") == 0 || text.empty() || text.back() == ',') {
        return std::nullopt;
    }
    SprtBounds bounds;
    bounds.elo0 = values["elo0"];
    bounds.elo1 = values["elo1"];
    if (values.count("alpha") > 0) {
        bounds.alpha = values["alpha"];
    }
    if (values.count("beta") > 0) {
        bounds.beta = values["beta"];
    }
    const auto probability = [](double p) { return p > 0.0 && p < 0.5; };
    if (!(bounds.elo0 < bounds.elo1) || std::fabs(bounds.elo0) > MAX_SPRT_ELO ||
        std::fabs(bounds.elo1) > MAX_SPRT_ELO || !probability(bounds.alpha) || !probability(bounds.beta)) {
        return std::nullopt;
    }
    return bounds;
}

double score_from_elo(double elo) { return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0)); }

int pentanomial_cell(double points) {
    const long cell = std::lround(points * 2.0);
    return static_cast<int>(cell < 0 ? 0 : cell > 4 ? 4 : cell);
}

namespace {

// A zero count stands for this much, so every mean strictly between 0 and
// 1 has a distribution of positive likelihood.
constexpr double EMPTY_CELL = 1e-3;

double cell_score(int cell) { return cell / 4.0; }

// Sum over cells of n_i * ln(p_i) for the distribution of greatest
// likelihood whose mean is `mean`, up to a term that does not depend on
// `mean` (which cancels in the ratio).
double constrained_log_likelihood(const std::array<double, PENTANOMIAL_CELLS>& counts, double mean) {
    double total = 0.0;
    for (double n : counts) {
        total += n;
    }
    // g(lambda) = sum f_i d_i / (1 + lambda d_i) falls from +inf to -inf on
    // (-1 / (1 - mean), 1 / mean), where every 1 + lambda d_i > 0.
    const auto g = [&](double lambda) {
        double sum = 0.0;
        for (int i = 0; i < PENTANOMIAL_CELLS; ++i) {
            const double d = cell_score(i) - mean;
            sum += counts[i] / total * d / (1.0 + lambda * d);
        }
        return sum;
    };
    double low = -1.0 / (1.0 - mean);
    double high = 1.0 / mean;
    for (int step = 0; step < 200; ++step) {
        const double middle = 0.5 * (low + high);
        if (middle <= low || middle >= high) {
            break;
        }
        (g(middle) > 0.0 ? low : high) = middle;
    }
    const double lambda = 0.5 * (low + high);
    double log_likelihood = 0.0;
    for (int i = 0; i < PENTANOMIAL_CELLS; ++i) {
        // ln p_i = ln f_i - ln(1 + lambda d_i); the ln f_i part cancels.
        log_likelihood -= counts[i] * std::log1p(lambda * (cell_score(i) - mean));
    }
    return log_likelihood;
}

}  // namespace

double sprt_llr(const Pentanomial& counts, double elo0, double elo1) {
    std::array<double, PENTANOMIAL_CELLS> regular{};
    for (int i = 0; i < PENTANOMIAL_CELLS; ++i) {
        regular[i] = counts[i] > 0 ? static_cast<double>(counts[i]) : EMPTY_CELL;
    }
    return constrained_log_likelihood(regular, score_from_elo(elo1)) -
           constrained_log_likelihood(regular, score_from_elo(elo0));
}

const char* decision_name(SprtDecision decision) {
    switch (decision) {
        case SprtDecision::H0:
            return "H0";
        case SprtDecision::H1:
            return "H1";
        case SprtDecision::NONE:
            break;
    }
    return "none";
}

void SprtState::add_pair(double player1_points) {
    if (decision != SprtDecision::NONE) {
        return;
    }
    ++counts[static_cast<std::size_t>(pentanomial_cell(player1_points))];
    ++pairs;
    llr = sprt_llr(counts, bounds.elo0, bounds.elo1);
    if (llr >= bounds.upper()) {
        decision = SprtDecision::H1;
    } else if (llr <= bounds.lower()) {
        decision = SprtDecision::H0;
    }
}

std::int64_t PairSequence::advance(const std::function<std::optional<double>(std::int64_t pair)>& points_of) {
    std::int64_t counted = 0;
    while (state_.decision == SprtDecision::NONE && state_.pairs < whole_pairs_) {
        const std::optional<double> points = points_of(state_.pairs);
        if (!points) {
            break;
        }
        state_.add_pair(*points);
        ++counted;
    }
    return counted;
}

}  // namespace runner
