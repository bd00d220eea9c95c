#include "match/records/free_guard_zone.h"

#include <algorithm>

namespace records {

namespace {

constexpr std::string_view NO_TICK_SUFFIX = "+no-tick";

std::optional<int> zone_rule(std::string_view name) {
    if (name == "four-rock") {
        return CURLING_RULE_FOUR_ROCK;
    }
    if (name == "five-rock") {
        return CURLING_RULE_FIVE_ROCK;
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> rule_from_name(std::string_view name) {
    if (name == "none") {
        return CURLING_RULE_NONE;
    }
    if (name.size() > NO_TICK_SUFFIX.size() && name.ends_with(NO_TICK_SUFFIX)) {
        const auto zone = zone_rule(name.substr(0, name.size() - NO_TICK_SUFFIX.size()));
        return zone ? std::optional<int>(*zone | CURLING_RULE_NO_TICK) : std::nullopt;
    }
    return zone_rule(name);
}

std::string rule_name_problem(const std::string& name) {
    return rule_from_name(name) ? std::string() : std::string("not one of ") + RULE_ACCEPTS;
}

std::string rule_name(int rule) {
    const int zone = rule & ~CURLING_RULE_NO_TICK;
    std::string name = zone == CURLING_RULE_FOUR_ROCK   ? "four-rock"
                       : zone == CURLING_RULE_FIVE_ROCK ? "five-rock"
                                                        : "none";
    return (rule & CURLING_RULE_NO_TICK) != 0 ? name + std::string(NO_TICK_SUFFIX) : name;
}

int deliveries_covered(int rule) {
    const int zone = rule & ~CURLING_RULE_NO_TICK;
    return (rule & CURLING_RULE_NO_TICK) != 0 ? std::max(zone, 5) : zone;
}

}  // namespace records
