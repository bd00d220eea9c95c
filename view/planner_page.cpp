#include "view/planner_page.h"

#include "match/records/free_guard_zone.h"
#include "view/page_assets.h"
#include "view/page_text.h"

namespace view {

namespace {

std::string game_text(const PlannerDecision& decision) {
    const planner::GameContext& game = decision.game;
    const bool hammer = decision.state.shot_number % 2 == 1;
    return "end " + std::to_string(game.end) + " of 0.." + std::to_string(game.last_end) +
           ", lead " + (game.lead > 0 ? "+" : "") + std::to_string(game.lead) +
           " for the side to move, " + (hammer ? "with" : "without") + " the hammer";
}

std::string search_text(const PlannerDecision& decision) {
    const planner::Decision& d = decision.decision;
    if (decision.clock_quick) {
        return "none: the clock leaves too little, so the planner draws to the button";
    }
    if (d.quick) {
        return "none: a draw to the button";
    }
    return std::to_string(d.candidates.size()) + " candidates, " + std::to_string(d.samples) +
           " sampled executions, " + std::to_string(d.simulations) + " of " +
           std::to_string(decision.budget.simulations) + " simulated shots, " +
           format_number("%.0f", d.milliseconds) + " ms";
}

std::string facts(const PlannerDecision& decision, const AnalysisSource& source) {
    const PlannerSettings& settings = decision.settings;
    std::string out = "<dl class=\"facts\">";
    out += position_facts(decision.state, source);
    out += fact("Game", xml_escape(game_text(decision)));
    out += fact("Clock", std::to_string(decision.remaining_ms) + " ms");
    out += fact("Planner", "<code>--sims " + std::to_string(settings.sims) + " --seed " +
                               std::to_string(settings.seed) + " --spread " +
                               format_number("%g", static_cast<double>(settings.spread)) +
                               (settings.rule == CURLING_RULE_NONE
                                    ? std::string()
                                    : " --rule " + records::rule_name(settings.rule)) +
                               "</code>");
    out += fact("Search", xml_escape(search_text(decision)));
    out += fact("Reply", "<code id=\"reply\">" + xml_escape(decision.reply) + "</code>");
    out += played_fact(decision.reply, source);
    const planner::Decision& d = decision.decision;
    if (d.chosen >= 0) {
        const planner::CandidateReport& chosen = d.candidates[static_cast<std::size_t>(d.chosen)];
        out += fact("Played", xml_escape(chosen.candidate.label) + ", P(win) " +
                                  format_number("%.3f", chosen.value) + " over " +
                                  std::to_string(chosen.samples) + " samples");
    }
    out += fact("Chosen shot", outcome_text(decision.state, decision.outcome));
    return out + "</dl>";
}

}  // namespace

std::string planner_page(const PlannerDecision& decision, const AnalysisSource& source) {
    std::string page = decision_page_start("Planner decision: " + source.description,
                                           "A decision of curling-planner", decision.state,
                                           decision.outcome, source);
    page += "<section><h2>Decision</h2>" + facts(decision, source) + "</section>";
    if (!decision.decision.candidates.empty()) {
        page += candidate_section_html(planner_candidates(decision),
                                       stones_of_state(decision.state), source.first_side);
    }
    return page + decision_page_end();
}

}  // namespace view
