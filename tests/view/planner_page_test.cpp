// The planner's page shows what its search weighed: a candidate left out,
// a value or sample count misprinted, the wrong one marked as played or a
// cloud missing samples would each tell the reader a different decision.
#include <gtest/gtest.h>

#include <string>

#include "view/planner_page.h"

namespace {

const SimulatorApi& physics() {
    static const SimulatorLoad load = load_simulator_at(PHYSICS_PATH);
    return load.api;
}

std::size_t count(const std::string& text, const std::string& word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++n;
    }
    return n;
}

// The element that starts at the first `open` after `from`, up to `close`.
std::string element(const std::string& page, const std::string& open, const std::string& close,
                    std::size_t from = 0) {
    const std::size_t start = page.find(open, from);
    if (start == std::string::npos) {
        return {};
    }
    return page.substr(start, page.find(close, start) - start);
}

std::string three_places(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// A middle-of-the-end position: two stones in the house, two guards.
GAMESTATE position() {
    GAMESTATE state{};
    state.shot_number = 6;
    state.current_end = 3;
    state.last_end = 7;
    state.end_scores[0] = 1;
    state.end_scores[2] = -2;
    const StonePosition stones[] = {{2.3f, 7.6f}, {2.5f, 4.6f}, {2.9f, 5.3f},
                                    {1.9f, 7.9f}, {2.0f, 4.2f}, {2.4f, 6.4f}};
    for (int k = 0; k < 6; ++k) {
        state.stones[k] = stones[k];
    }
    return state;
}

// `drawn` gets the count of marks in the played candidate's cloud.
void expect_page_shows(const view::PlannerDecision& decision, std::size_t& drawn) {
    const std::string page = view::planner_page(decision, view::AnalysisSource{});
    const std::string table = element(page, "<tbody>", "</tbody>");
    const planner::Decision& d = decision.decision;
    ASSERT_FALSE(d.candidates.empty());
    EXPECT_EQ(count(table, "<tr "), d.candidates.size());
    for (std::size_t c = 0; c < d.candidates.size(); ++c) {
        const planner::CandidateReport& weighed = d.candidates[c];
        const std::string row =
            element(table, "data-candidate=\"" + std::to_string(c) + "\"", "</tr>");
        ASSERT_FALSE(row.empty()) << "candidate " << c << " is not listed";
        EXPECT_NE(row.find(weighed.candidate.label), std::string::npos) << row;
        EXPECT_NE(row.find("<td class=\"value\">" + three_places(weighed.value) + "</td>"),
                  std::string::npos)
            << row;
        EXPECT_NE(row.find("<td class=\"samples\">" + std::to_string(weighed.samples) + "</td>"),
                  std::string::npos)
            << row;
        // A sampled execution the planner made but did not report could not be drawn.
        EXPECT_EQ(weighed.outcomes.size(), static_cast<std::size_t>(weighed.samples));
    }
    EXPECT_EQ(count(table, "<tr class=\"chosen"), 1u);
    const std::string marked = element(table, "<tr class=\"chosen", ">");
    EXPECT_NE(marked.find("data-candidate=\"" + std::to_string(d.chosen) + "\""), std::string::npos)
        << "the row marked as played is not the candidate the planner played: " << marked;

    // The played candidate's cloud: each sample's moved or placed stones.
    const planner::CandidateReport& played = d.candidates[static_cast<std::size_t>(d.chosen)];
    const Position before = view::stones_of_state(decision.state);
    std::size_t marks = 0;
    ASSERT_LE(played.outcomes.size(), view::DRAWN_SAMPLES) << "a budget that draws every sample";
    for (const Position& outcome : played.outcomes) {
        marks += view::outcome_dots(before, outcome, 0).size();
    }
    const std::string cloud = element(page, "id=\"cloud-chosen\"", "</svg>");
    EXPECT_EQ(count(cloud, "<circle class=\"dot"), marks);
    drawn = marks;
}

TEST(PlannerPage, ListsEveryCandidateAndDrawsThePlayedOnesSamples) {
    ASSERT_NE(physics().Simulation, nullptr);
    view::PlannerSettings settings;
    settings.sims = 3000;
    settings.threads = 2;  // the samples' outcomes are gathered from the pool's threads
    view::PlannerDecision decision = view::plan_decision(position(), 300000, settings, physics());
    ASSERT_GE(decision.decision.chosen, 0);
    std::size_t drawn_chosen = 0;
    std::size_t drawn_worst = 0;
    expect_page_shows(decision, drawn_chosen);
    // The planner plays the best of its last round, which need not be the
    // best value on the table: the mark follows its choice, here the worst.
    int worst = decision.decision.chosen;
    for (std::size_t c = 0; c < decision.decision.candidates.size(); ++c) {
        const planner::CandidateReport& weighed = decision.decision.candidates[c];
        if (weighed.samples > 0 && weighed.value < decision.decision.candidates[static_cast<std::size_t>(worst)].value) {
            worst = static_cast<int>(c);
        }
    }
    ASSERT_NE(worst, decision.decision.chosen);
    decision.decision.chosen = worst;
    expect_page_shows(decision, drawn_worst);
    // Which shot keeps its stone in play depends on the model the planner
    // plays by; one of the two clouds must draw something, or the count
    // above checked nothing.
    EXPECT_GT(drawn_chosen + drawn_worst, 0u);
}

}  // namespace
