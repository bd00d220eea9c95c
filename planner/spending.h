#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "planner.h"

namespace planner {

// What a decision may still spend, counted in samples: a fixed budget by
// the simulated shots a sample has cost so far, a time budget by the time
// it has taken (planning on a safety share of the time left, so that slower
// samples later do not overrun).
class Spending {
public:
    using Clock = std::chrono::steady_clock;

    Spending(const SearchBudget& budget, Clock::time_point start) : budget_(budget), start_(start) {}

    bool timed() const { return budget_.simulations <= 0; }

    // The part of the budget the halving spends; the refinement has the rest.
    void set_halving_share(double share) {
        halving_simulations_ =
            static_cast<std::int64_t>(static_cast<double>(budget_.simulations) * share);
        halving_ms_ = budget_.milliseconds * share;
    }
    std::int64_t halving_simulations() const { return halving_simulations_; }

    // Samples that the halving's part (or, `whole`, the whole budget) can
    // still pay for, at a sample's cost so far: `simulations_per_sample`
    // simulated shots, or `ms_per_sample`.
    double samples_left(bool whole, std::int64_t simulations, double simulations_per_sample,
                        double ms_per_sample) const {
        if (timed()) {
            const double limit = whole ? budget_.milliseconds : halving_ms_;
            const double elapsed =
                std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
            return TIME_SAFETY * (limit - elapsed) / std::max(ms_per_sample, 1e-6);
        }
        const std::int64_t limit = whole ? budget_.simulations : halving_simulations_;
        return static_cast<double>(limit - simulations) / std::max(simulations_per_sample, 1.0);
    }

private:
    static constexpr double TIME_SAFETY = 0.85;

    SearchBudget budget_;
    Clock::time_point start_;
    std::int64_t halving_simulations_ = 0;
    double halving_ms_ = 0.0;
};

}  // namespace planner
