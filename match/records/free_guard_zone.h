#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "curling_simulator.h"

// The free guard zone rule a match is played under, by its name on the
// runner's command line and in the record's header ("five-rock",
// "four-rock+no-tick"), and by the library's number for it
// (CURLING_RULE_*, the `rule` of ApplyFreeGuardZone). The runner, the
// record's readers and the pictures name rules only through these.

namespace records {

// What --rule and a header's "rule" accept, for messages.
inline constexpr const char* RULE_ACCEPTS = "none, four-rock or five-rock, either of the last two with +no-tick";

// The library's number for `name`, or nothing for a name not listed.
std::optional<int> rule_from_name(std::string_view name);

// What is wrong with `name` as a rule for a command-line check: empty when
// rule_from_name accepts it, else "not one of" the names it accepts.
std::string rule_name_problem(const std::string& name);

// The name of a rule rule_from_name accepts ("none" for CURLING_RULE_NONE).
std::string rule_name(int rule);

// How many deliveries of an end the rule covers: 0 without a rule, else
// the first 4 or 5 (the no-tick part covers 5).
int deliveries_covered(int rule);

}  // namespace records
