#include "guard_zone.h"

#include <cmath>
#include <cstring>

#include "score.h"
#include "sheet_io.h"

namespace curling::physics {

namespace {

constexpr float ZONE_MIN_YF = static_cast<float>(CURLING_GUARD_ZONE_MIN_Y);
constexpr float ZONE_MAX_YF = static_cast<float>(CURLING_GUARD_ZONE_MAX_Y);
constexpr float CENTRE_XF = static_cast<float>(CURLING_CENTRE_X);
constexpr float STONE_RADIUS_F = static_cast<float>(CURLING_STONE_RADIUS);
constexpr std::int32_t NO_TICK_COVERS = 5;

struct Rule {
    std::int32_t covers = 0;          // deliveries n < covers protect guards from removal
    std::int32_t no_tick_covers = 0;  // deliveries n < this keep centre guards on the line
};

bool parse_rule(std::int32_t code, Rule& rule) noexcept {
    const std::int32_t base = code & ~CURLING_RULE_NO_TICK;
    const bool no_tick = (code & CURLING_RULE_NO_TICK) != 0;
    if (base != CURLING_RULE_NONE && base != CURLING_RULE_FOUR_ROCK && base != CURLING_RULE_FIVE_ROCK) {
        return false;
    }
    // a centre-line rule without the zone rule is not a rule anyone plays
    if (no_tick && base == CURLING_RULE_NONE) return false;
    rule.covers = base;
    rule.no_tick_covers = no_tick ? NO_TICK_COVERS : 0;
    return true;
}

bool same_bits(StonePosition a, StonePosition b) noexcept { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether the delivery took protected stone k where the rule forbids.
bool breaks_rule(StonePosition was, StonePosition now, bool zone_rule, bool no_tick) noexcept {
    if (!in_guard_zone(was)) return false;
    const bool kept = takes_part(now);
    if (zone_rule && !kept) return true;
    return no_tick && touches_centre_line(was) && !(kept && touches_centre_line(now));
}

}  // namespace

bool in_guard_zone(StonePosition p) noexcept {
    return takes_part(p) && !in_house(p) && p.y >= ZONE_MIN_YF && p.y <= ZONE_MAX_YF;
}

bool touches_centre_line(StonePosition p) noexcept {
    return std::fabs(p.x - CENTRE_XF) <= STONE_RADIUS_F;
}

std::int32_t apply_free_guard_zone(const GAMESTATE& before, GAMESTATE& after, std::int32_t rule_code,
                                   std::uint32_t* restored) noexcept {
    Rule rule;
    const std::int32_t n = before.shot_number;
    if (!parse_rule(rule_code, rule) || n < 0 || n >= CURLING_STONES || after.shot_number != n + 1) {
        return -2;
    }
    if (restored != nullptr) *restored = 0;
    const bool zone_rule = n < rule.covers;
    const bool no_tick = n < rule.no_tick_covers;
    if (!zone_rule && !no_tick) return 0;
    bool broken = false;
    // the other team's stones are those of the other parity
    for (int k = (n + 1) % 2; k < CURLING_STONES && !broken; k += 2) {
        broken = breaks_rule(before.stones[k], after.stones[k], zone_rule, no_tick);
    }
    if (!broken) return 0;
    std::uint32_t moved = 0;
    for (int k = 0; k < CURLING_STONES; ++k) {
        if (k == n) continue;
        if (!same_bits(before.stones[k], after.stones[k])) moved |= 1u << k;
        after.stones[k] = before.stones[k];
    }
    after.stones[n] = StonePosition{0.0f, 0.0f};
    if (restored != nullptr) *restored = moved;
    return 1;
}

}  // namespace curling::physics
