#include "view/analysis_page.h"

#include <cmath>

#include "strategy/last_stone_search.h"
#include "view/heat_map_svg.h"
#include "view/page_assets.h"
#include "view/page_text.h"

namespace view {

std::string fact(const std::string& name, const std::string& value) {
    return "<dt>" + xml_escape(name) + "</dt><dd>" + value + "</dd>";
}

std::string position_facts(const GAMESTATE& state, const AnalysisSource& source) {
    const int side = state.moving_side;
    return fact("Position", xml_escape(source.description)) +
           fact("To move", xml_escape(source.names[side]) + " (" + SIDE_COLOUR[side] + ", side " +
                               std::to_string(side) + "), stone " +
                               stone_name(state.shot_number, source.first_side) + ", shot " +
                               std::to_string(state.shot_number) + " of end " +
                               std::to_string(state.current_end) + " (counted from 0)");
}

std::string played_fact(const std::string& reply, const AnalysisSource& source) {
    if (!source.played) {
        return {};
    }
    const bool same = *source.played == reply;
    return fact("In the record", "<code id=\"played\">" + xml_escape(*source.played) + "</code> " +
                                     (same ? "(the same)" : "(different)"));
}

SheetScene outcome_scene(const GAMESTATE& state, const ShotPaths& outcome, int first_side) {
    const Position before = stones_of_state(state);
    SheetScene scene;
    scene.id = "decision-sheet";
    scene.preview_first_side = first_side;
    if (!outcome.computed) {
        scene.stones = stones_of(before, first_side);
        return scene;
    }
    // Where stones stood before the shot moved them, faded; where they rest after, solid.
    for (const StonePath& path : outcome.stones) {
        const StonePosition was = before[static_cast<std::size_t>(path.slot)];
        if (!empty_slot(was) && path.slot != state.shot_number) {
            scene.stones.push_back(
                StoneMark{path.slot, side_of_slot(first_side, path.slot), was.x, was.y, true});
        }
        scene.paths.push_back(PathMark{side_of_slot(first_side, path.slot),
                                       path.slot == state.shot_number, visible_points(path)});
    }
    const std::vector<StoneMark> after = stones_of(outcome.final_position, first_side);
    scene.stones.insert(scene.stones.end(), after.begin(), after.end());
    scene.caption = "chosen shot, played without noise";
    return scene;
}

std::string outcome_text(const GAMESTATE& state, const ShotPaths& outcome) {
    if (!outcome.computed) {
        return "not computed (the library has no trajectory export)";
    }
    const StonePosition rest = outcome.final_position[static_cast<std::size_t>(state.shot_number)];
    if (empty_slot(rest)) {
        return "the thrown stone leaves play";
    }
    const double d = std::hypot(rest.x - CURLING_CENTRE_X, rest.y - CURLING_TEE_Y);
    return "rests at x " + format_number("%.3f", rest.x) + ", y " + format_number("%.3f", rest.y) + " (" +
           format_number("%.2f", d) + " m from the tee)";
}

Position stones_of_state(const GAMESTATE& state) {
    Position position{};
    std::copy(std::begin(state.stones), std::end(state.stones), position.begin());
    return position;
}

namespace {

std::string facts(const Decision& decision, const AnalysisSource& source) {
    std::string out = "<dl class=\"facts\">";
    out += position_facts(decision.state, source);
    out += fact("Clock", std::to_string(decision.remaining_ms) + " ms");
    out += fact("Chosen by", xml_escape(decision_rule(decision)));
    out += fact("Reply", "<code id=\"reply\">" + xml_escape(decision.reply) + "</code>");
    out += played_fact(decision.reply, source);
    out += fact("Chosen shot", outcome_text(decision.state, decision.outcome));
    if (decision.trace.search != nullptr) {
        out += fact("Standing rating", format_number("%.4f", decision.trace.standing_rating));
        out += fact("Best smoothed", format_number("%.4f", decision.best));
        out += fact("Cell", decision.chosen_row >= 0
                                ? "spin " + std::to_string(decision.shot.spin) + ", row " +
                                      std::to_string(decision.chosen_row) + ", vx index " +
                                      std::to_string(decision.chosen_index)
                                : std::string("none: every rating was equal, so the engine "
                                              "draws to the tee"));
    }
    return out + "</dl>";
}

nlohmann::json floats(const std::vector<float>& values) {
    nlohmann::json out = nlohmann::json::array();
    for (const float v : values) {
        out.push_back(short_float(v));
    }
    return out;
}

// The heat maps' numbers and where each cell leaves the stones, for the
// page's script to show under the pointer.
std::string heat_data(const Decision& decision) {
    const SearchTrace& trace = decision.trace;
    const Position before = stones_of_state(decision.state);
    nlohmann::json rests = nlohmann::json::array();
    for (const Position& rest : decision.cell_rests) {
        rests.push_back(changes(before, rest));
    }
    std::vector<float> vx;
    for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
        vx.push_back(sweep_vx(i));
    }
    nlohmann::json unrated = nlohmann::json::array();
    for (std::size_t k = 0; k < trace.swept.size(); ++k) {
        if (trace.swept[k] == UNRATED) {
            unrated.push_back(k);
        }
    }
    return script_data(
        "heat-data",
        {{"rows", floats(std::vector<float>(trace.search->row_vy,
                                            trace.search->row_vy + trace.search->rows))},
         {"vx", floats(vx)},
         {"raw", floats(trace.grid.raw_ratings)},
         {"smoothed", floats(trace.grid.smoothed_ratings)},
         {"unrated", unrated},
         {"rests", rests}});
}

std::string rating_line(const Decision& decision) {
    const std::string standing = format_number("%.4g", decision.trace.standing_rating);
    if (decision.trace.search == &LAST_STONE_SEARCH) {
        return "Rating: the end's score for the side to move where the shot leaves the stones "
               "(a blank end scores a set rating where that side wants one); the position as it "
               "stands rates " + standing + ".";
    }
    return "Rating: the engine's evaluation of the position a shot leaves, for the side to "
           "move, higher is better; the position as it stands rates " + standing + ".";
}

}  // namespace

std::string decision_page_start(const std::string& title, const std::string& heading,
                                const GAMESTATE& state, const ShotPaths& outcome,
                                const AnalysisSource& source) {
    const nlohmann::json data = {{"before", occupied(stones_of_state(state))},
                                 {"firstSide", source.first_side},
                                 {"shot", state.shot_number},
                                 {"top", VIEW_Y_TOP},
                                 {"tee", {CURLING_CENTRE_X, CURLING_TEE_Y}}};
    return page_head(title, ANALYSIS_STYLE) + "<body><header><h1>" + xml_escape(heading) +
           "</h1><p>" + xml_escape(source.description) +
           "</p></header><main><div class=\"sheet-column\"><section>" +
           sheet_svg(outcome_scene(state, outcome, source.first_side)) +
           "<p id=\"preview-text\" class=\"note\">Hover over a heat-map cell or a candidate to "
           "see where it leaves the stones without noise.</p></section></div>"
           "<div class=\"detail-column\">" + script_data("decision-data", data);
}

std::string decision_page_end() {
    return "</div></main><div id=\"hover-info\" hidden></div><script>" + std::string(ANALYSIS_SCRIPT) +
           "</script></body></html>\n";
}

std::string analysis_page(const Decision& decision, const AnalysisSource& source,
                          const std::optional<CandidateReport>& candidates) {
    std::string page = decision_page_start("Decision: " + source.description,
                                           "A decision of curling-engine", decision.state,
                                           decision.outcome, source);
    page += "<section><h2>Decision</h2>" + facts(decision, source) + "</section>";
    if (decision.trace.search != nullptr) {
        page += "<section class=\"heat-maps\"><h2>Ratings over spin \u00d7 row \u00d7 vx</h2><p class=\"rating\">" +
                xml_escape(rating_line(decision)) + "</p>" + heat_data(decision) +
                heat_map_svg(decision, HeatMapKind::RAW) +
                heat_map_svg(decision, HeatMapKind::SMOOTHED) +
                "<p class=\"note\">Each row is one vy of the search; each column one vx. The "
                "plateau is every smoothed cell equal to the best value; the engine plays the "
                "middle of the widest run (red circle).</p></section>";
    }
    if (candidates) {
        page += candidate_section_html(*candidates, stones_of_state(decision.state),
                                       source.first_side);
    }
    return page + decision_page_end();
}

nlohmann::json decision_json(const Decision& decision) {
    nlohmann::json stones = nlohmann::json::array();
    for (const StonePosition& stone : decision.state.stones) {
        stones.push_back({short_float(stone.x), short_float(stone.y)});
    }
    nlohmann::json out = {
        {"state",
         {{"shot_number", decision.state.shot_number},
          {"current_end", decision.state.current_end},
          {"last_end", decision.state.last_end},
          {"end_scores", decision.state.end_scores},
          {"moving_side", decision.state.moving_side},
          {"stones", stones}}},
        {"remaining_ms", decision.remaining_ms},
        {"shot", {short_float(decision.shot.vx), short_float(decision.shot.vy), decision.shot.spin}},
        {"reply", decision.reply},
        {"rule", decision_rule(decision)}};
    if (decision.trace.search != nullptr) {
        const SearchTrace& trace = decision.trace;
        std::vector<float> rows(trace.search->row_vy, trace.search->row_vy + trace.search->rows);
        std::vector<float> vx;
        for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
            vx.push_back(sweep_vx(i));
        }
        out["search"] = {{"layout", "[spin][row][vx index], row-major"},
                         {"row_vy", floats(rows)},
                         {"vx", floats(vx)},
                         {"standing_rating", short_float(trace.standing_rating)},
                         {"best", short_float(decision.best)},
                         {"chosen", {decision.shot.spin, decision.chosen_row, decision.chosen_index}},
                         {"raw_as_swept", floats(trace.swept)},
                         {"raw", floats(trace.grid.raw_ratings)},
                         {"vx_smoothed", floats(trace.grid.vx_smoothed_ratings)},
                         {"smoothed", floats(trace.grid.smoothed_ratings)}};
    }
    return out;
}

}  // namespace view
