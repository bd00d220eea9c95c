#pragma once

#include <string>

#include "view/analysis_page.h"
#include "view/planner_decision.h"

namespace view {

// The self-contained page of one decision of curling-planner: the chosen
// shot played without noise, the game and budget it was made for, and every
// candidate with its value, samples and cloud of sampled outcomes.
std::string planner_page(const PlannerDecision& decision, const AnalysisSource& source);

}  // namespace view
