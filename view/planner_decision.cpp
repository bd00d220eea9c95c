#include "view/planner_decision.h"

#include <algorithm>

#include "planner/turn.h"
#include "player/protocol.h"
#include "view/page_text.h"

namespace view {

namespace {

nlohmann::json stones_json(const StonePosition* stones) {
    nlohmann::json out = nlohmann::json::array();
    for (int k = 0; k < CURLING_STONES; ++k) {
        out.push_back({short_float(stones[k].x), short_float(stones[k].y)});
    }
    return out;
}

}  // namespace

PlannerDecision plan_decision(const GAMESTATE& state, std::int32_t remaining_ms,
                              const PlannerSettings& settings, const SimulatorApi& api) {
    PlannerDecision out;
    out.state = state;
    out.remaining_ms = remaining_ms;
    out.settings = settings;
    // The player's own reading of the game and of its budget, or the page
    // would show another decision than the one the player made.
    out.game = planner::game_around(state, settings.first_hammer_side);
    planner::PlannerOptions options = planner::shipped_options(settings.rule);
    options.seed = settings.seed;
    options.spread = settings.spread;
    options.threads = settings.threads;
    planner::Planner planner(api, options);
    // With a fixed budget the player's only time limit is the clock's share.
    const planner::TimePlan time = planner::plan_time(remaining_ms, state, 1e12);
    out.clock_quick = time.quick;
    if (time.quick) {
        out.decision.shot = planner.quick_shot();
        out.decision.quick = true;
    } else {
        out.budget = planner::shot_budget(state.shot_number, settings.sims, time);
        out.decision = planner.decide(state, out.game, out.budget, /*want_outcomes=*/true);
    }
    out.reply = format_bestshot(out.decision.shot);  // as the planner replies
    for (const planner::CandidateReport& weighed : out.decision.candidates) {
        out.rests.push_back(rest_without_noise(api, state, weighed.candidate.shot));
    }
    std::vector<StonePosition> frames;
    Position unknown{};
    out.outcome = compute_shot_paths(api, state, out.decision.shot, unknown, frames);
    return out;
}

CandidateReport planner_candidates(const PlannerDecision& decision) {
    CandidateReport report;
    report.player = "curling-planner";
    report.value_meaning = "P(win)";
    report.chosen = decision.decision.chosen;
    report.note =
        "P(win): the planner's estimate of the probability of winning the game (a draw counts "
        "half) after the shot, over sampled noisy executions each played out to the end of the "
        "end; its 95% interval is the Wilson score interval on the candidate's samples. Candidates dropped early in its successive halving have few samples; the one "
        "played is the best of the last round, which a candidate dropped earlier on few "
        "samples may outscore.";
    for (const planner::CandidateReport& weighed : decision.decision.candidates) {
        Candidate c;
        c.shot = weighed.candidate.shot;
        c.label = weighed.candidate.label;
        c.value = weighed.value;
        c.samples = weighed.samples;
        c.outcomes.assign(weighed.outcomes.begin(), weighed.outcomes.end());
        if (weighed.samples > 0) {
            c.interval = unit_mean_interval(weighed.value, weighed.samples);
        }
        if (report.candidates.size() < decision.rests.size()) {
            c.rest = decision.rests[report.candidates.size()];
        }
        // A throw-away is aimed nowhere in particular.
        const StonePosition aim{weighed.candidate.target.x, weighed.candidate.target.y};
        if (!empty_slot(aim)) {
            c.aim = aim;
        }
        report.candidates.push_back(std::move(c));
    }
    return report;
}

nlohmann::json planner_json(const PlannerDecision& decision) {
    const CandidateReport report = planner_candidates(decision);
    nlohmann::json candidates = nlohmann::json::array();
    for (const Candidate& c : report.candidates) {
        nlohmann::json outcomes = nlohmann::json::array();
        for (const Position& outcome : c.outcomes) {
            outcomes.push_back(stones_json(outcome.data()));
        }
        nlohmann::json entry = {
            {"label", c.label},
            {"shot", {short_float(c.shot.vx), short_float(c.shot.vy), c.shot.spin}},
            {"value", c.value},
            {"samples", c.samples},
            {"outcomes", outcomes}};
        if (c.aim) {
            entry["aim"] = {short_float(c.aim->x), short_float(c.aim->y)};
        }
        if (c.interval) {
            entry["interval"] = {significant((*c.interval)[0]), significant((*c.interval)[1])};
        }
        candidates.push_back(entry);
    }
    const GAMESTATE& state = decision.state;
    return {{"player", report.player},
            {"value", report.value_meaning},
            {"chosen", report.chosen},
            {"candidates", candidates},
            {"state",
             {{"shot_number", state.shot_number},
              {"current_end", state.current_end},
              {"last_end", state.last_end},
              {"end_scores", state.end_scores},
              {"moving_side", state.moving_side},
              {"stones", stones_json(state.stones)}}},
            {"remaining_ms", decision.remaining_ms},
            {"game", {{"lead", decision.game.lead}, {"end", decision.game.end},
                      {"last_end", decision.game.last_end},
                      {"ends_dated", decision.game.past_ends.size()},
                      {"belief", decision.decision.belief}}},
            {"settings", {{"sims", decision.settings.sims}, {"seed", decision.settings.seed},
                          {"spread", short_float(decision.settings.spread)},
                          {"threads", decision.settings.threads}}},
            {"budget", {{"simulations", decision.budget.simulations},
                        {"milliseconds", decision.budget.milliseconds}}},
            {"quick", decision.decision.quick},
            {"shot", {short_float(decision.decision.shot.vx), short_float(decision.decision.shot.vy),
                      decision.decision.shot.spin}},
            {"reply", decision.reply},
            {"samples", decision.decision.samples},
            {"simulations", decision.decision.simulations},
            {"milliseconds", decision.decision.milliseconds}};
}

}  // namespace view
