#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "view/candidate_report.h"
#include "view/decision.h"

namespace view {

struct AnalysisSource {
    std::string description;             // where the position came from
    int first_side = 0;                  // the side that threw stone 0 of the end
    int first_hammer_side = -1;          // the side with the hammer in end 0, when known
    std::string names[2] = {"side 0", "side 1"};
    std::optional<std::string> played;   // the reply the record holds, when from a record
};

// The sheet with a chosen shot played without noise: its path, the stones
// it moved (faded where they stood) and where everything rests.
SheetScene outcome_scene(const GAMESTATE& state, const ShotPaths& outcome, int first_side);
std::string outcome_text(const GAMESTATE& state, const ShotPaths& outcome);
Position stones_of_state(const GAMESTATE& state);

// One line of a page's facts: the name as text, the value as HTML.
std::string fact(const std::string& name, const std::string& value);

// The facts every decision page opens with: where the position comes from
// and who is to move; and how the reply compares with the record's.
std::string position_facts(const GAMESTATE& state, const AnalysisSource& source);
std::string played_fact(const std::string& reply, const AnalysisSource& source);

// Both decision pages: the head, the sheet of the chosen shot (kept in view
// while the rest scrolls, and where hovering a cell or a row previews its
// outcome) with the data the page's script needs, and the opening of the
// column of details; decision_page_end closes them.
std::string decision_page_start(const std::string& title, const std::string& heading,
                                const GAMESTATE& state, const ShotPaths& outcome,
                                const AnalysisSource& source);
std::string decision_page_end();

// The self-contained page of one decision, with the candidates of another
// player when a report is given.
std::string analysis_page(const Decision& decision, const AnalysisSource& source,
                          const std::optional<CandidateReport>& candidates);

// The decision's numbers for other tools: the state, the shot and every array.
nlohmann::json decision_json(const Decision& decision);

}  // namespace view
