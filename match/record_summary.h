#pragma once

#include <nlohmann/json.hpp>

#include "match_stats.h"
#include "sprt.h"

namespace runner {

// The record's last line: the match's figures, and the sequential test
// where there is one.
nlohmann::json summary_json(const MatchSummary& summary, const SprtState* sprt);

}  // namespace runner
