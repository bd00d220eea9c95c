#include <algorithm>
#include <cmath>

#include "planner.h"

namespace planner {

// The candidates come from intentions aimed at points; the best of them are
// rarely best exactly where they were aimed, since the noise and the stones
// around make one side of the aim safer than the other.

namespace {

// Finalists refined, and the fewest shared samples a shifted shot is judged on.
constexpr std::size_t REFINE_FINALISTS = 2;
constexpr int REFINE_MIN_SAMPLES = 8;
// A shifted shot must beat its finalist by this many standard errors of the
// paired difference. Eight shifts are tried and most are no better: at 1.5
// one of eight equal shots would pass by chance in two decisions of five.
constexpr double REFINE_MARGIN = 3.0;

struct Shift {
    float vx;
    float vy;
    const char* name;
};
constexpr Shift SHIFTS[] = {{1.0f, 0.0f, "vx+"}, {-1.0f, 0.0f, "vx-"}, {0.0f, 1.0f, "vy+"},
                            {0.0f, -1.0f, "vy-"}};

// The mean of `shifted` minus `finalist` over the samples both met, and its
// standard error; count 0 when they share too few.
struct Paired {
    double difference = 0.0;
    double error = 0.0;
    int count = 0;
};

Paired paired(const CandidateTally& shifted, const CandidateTally& finalist) {
    const std::size_t n = std::min(shifted.by_sample.size(), finalist.by_sample.size());
    double sum = 0.0;
    double squares = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = shifted.by_sample[i];
        const double b = finalist.by_sample[i];
        if (std::isnan(a) || std::isnan(b)) {
            continue;
        }
        sum += a - b;
        squares += (a - b) * (a - b);
        ++count;
    }
    Paired out;
    if (count < REFINE_MIN_SAMPLES) {
        return out;
    }
    out.count = count;
    out.difference = sum / count;
    const double variance = std::max(0.0, squares / count - out.difference * out.difference);
    out.error = std::sqrt(variance / (count - 1));
    return out;
}

}  // namespace

Planner::Refined Planner::refine(const Race& race, const std::vector<std::size_t>& alive,
                                 std::vector<Candidate>& candidates,
                                 std::vector<CandidateTally>& tally, Decision& decision,
                                 const std::function<int(std::size_t)>& affordable) const {
    std::vector<std::size_t> finalists = alive;
    std::stable_sort(finalists.begin(), finalists.end(), [&](std::size_t a, std::size_t b) {
        return tally[a].mean() > tally[b].mean();
    });
    // The best mean among the last round's candidates: one dropped earlier
    // was worse when it was dropped.
    Refined refined;
    refined.best = finalists.front();
    if (options_.refine_share <= 0.0) {
        return refined;
    }
    finalists.resize(std::min(finalists.size(), REFINE_FINALISTS));
    const std::size_t first_shifted = candidates.size();
    std::vector<std::size_t> parent_of;
    for (const std::size_t f : finalists) {
        if (tally[f].count < REFINE_MIN_SAMPLES) {
            continue;
        }
        for (const Shift& shift : SHIFTS) {
            Candidate shifted = candidates[f];
            shifted.shot.vx += shift.vx * options_.spread;
            shifted.shot.vy += shift.vy * options_.spread;
            shifted.label += " ";
            shifted.label += shift.name;
            candidates.push_back(std::move(shifted));
            parent_of.push_back(f);
        }
    }
    const std::size_t shifted_count = candidates.size() - first_shifted;
    int samples = 0;
    if (shifted_count > 0) {
        samples = std::min(affordable(shifted_count), tally[refined.best].count);
    }
    if (samples < REFINE_MIN_SAMPLES) {
        candidates.resize(first_shifted);
        return refined;
    }
    tally.resize(candidates.size());
    decision.candidates.resize(candidates.size());
    std::vector<std::size_t> shifted(shifted_count);
    for (std::size_t s = 0; s < shifted_count; ++s) {
        shifted[s] = first_shifted + s;
        decision.candidates[first_shifted + s].candidate = candidates[first_shifted + s];
    }
    const Round round = run_round(race, shifted, 0, samples, decision, tally);
    refined.samples = static_cast<std::int64_t>(round.ran);
    refined.simulations = round.simulations;
    // Each shifted shot is valued as its finalist's mean plus the paired
    // difference: the common noise cancels from the difference, so it needs
    // far fewer samples than the mean itself.
    double best_value = tally[refined.best].mean();
    for (std::size_t s = 0; s < shifted_count; ++s) {
        const std::size_t c = first_shifted + s;
        const std::size_t parent = parent_of[s];
        const Paired gain = paired(tally[c], tally[parent]);
        if (gain.count == 0 || gain.difference <= REFINE_MARGIN * gain.error) {
            continue;
        }
        const double value = tally[parent].mean() + gain.difference;
        if (value > best_value) {
            best_value = value;
            refined.best = c;
        }
    }
    return refined;
}

}  // namespace planner
