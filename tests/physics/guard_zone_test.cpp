// The free guard zone rule on hand-built positions before and after a
// delivery: which deliveries it covers, which stones it protects, where the
// zone ends, and the position it leaves to play on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "curling_simulator.h"
#include "support.h"

using namespace physics_test;

namespace {

struct Stone {
    int slot;
    StonePosition at;
};

constexpr StonePosition OUT{0.0f, 0.0f};
constexpr StonePosition CENTRE_GUARD{2.375f, 8.4f};
constexpr StonePosition OFF_CENTRE_GUARD{1.6f, 9.0f};
constexpr StonePosition BUTTON{2.375f, 4.88f};
constexpr int FIVE = CURLING_RULE_FIVE_ROCK;
constexpr int FOUR = CURLING_RULE_FOUR_ROCK;
constexpr int NO_TICK = CURLING_RULE_NO_TICK;

float above(float v) { return std::nextafter(v, 100.0f); }
float below(float v) { return std::nextafter(v, 0.0f); }

struct Row {
    const char* what;
    int rule;
    int shot;                    // the delivery: before.shot_number
    std::vector<Stone> before;   // stones lying before it
    std::vector<Stone> after;    // slots the delivery changed (its own stone included)
    bool undone;
    std::uint32_t restored;      // expected mask when undone
};

// The thrown stone of the delivery comes to rest here unless a row says
// otherwise; the rule must remove it when it undoes the delivery.
constexpr StonePosition THROWN_REST{2.6f, 3.6f};

// Removes the guard in `slot` (of the other team than `shot`) with delivery `shot`.
Row takes_out(const char* what, int rule, int shot, int slot, StonePosition guard, bool undone) {
    return Row{what, rule, shot, {{slot, guard}}, {{slot, OUT}}, undone, 1u << slot};
}

// Moves the guard in slot 0 with delivery 1 and leaves it at `to`.
Row moves(const char* what, int rule, StonePosition guard, StonePosition to, bool undone) {
    return Row{what, rule, 1, {{0, guard}}, {{0, to}}, undone, 1u};
}

std::vector<Row> rows() {
    return {
        takes_out("a guard knocked out by the first stone", FIVE, 0, 1, CENTRE_GUARD, true),
        takes_out("the first stone's guard knocked out by the second", FIVE, 1, 0, CENTRE_GUARD, true),
        takes_out("by the fifth stone under five-rock", FIVE, 4, 1, OFF_CENTRE_GUARD, true),
        takes_out("by the sixth stone under five-rock", FIVE, 5, 0, OFF_CENTRE_GUARD, false),
        takes_out("by the fourth stone under four-rock", FOUR, 3, 0, CENTRE_GUARD, true),
        takes_out("by the fifth stone under four-rock", FOUR, 4, 1, CENTRE_GUARD, false),
        takes_out("with no rule", CURLING_RULE_NONE, 1, 0, CENTRE_GUARD, false),
        takes_out("the team's own guard", FIVE, 2, 0, CENTRE_GUARD, false),
        takes_out("a stone in the house, not a guard", FIVE, 1, 0, BUTTON, false),
        moves("a guard moved into the house", FIVE, CENTRE_GUARD, StonePosition{2.2f, 5.6f}, false),
        moves("a guard moved within the zone", FIVE, CENTRE_GUARD, StonePosition{1.1f, 7.9f}, false),
        moves("a guard left out of play on a side line", FIVE, OFF_CENTRE_GUARD, StonePosition{4.7f, 8.0f},
              true),
        // a stone touching the hog line is in the zone; one wholly beyond it is not
        takes_out("a guard on the hog line", FIVE, 1, 0, StonePosition{2.375f, 11.426f}, true),
        takes_out("a stone beyond the hog line", FIVE, 1, 0, StonePosition{2.375f, above(11.426f)}, false),
        // a stone touching the tee line outside the house is in the zone
        takes_out("a guard on the tee line", FIVE, 1, 0, StonePosition{4.4f, 4.735f}, true),
        takes_out("a stone behind the tee line", FIVE, 1, 0, StonePosition{4.4f, below(4.735f)}, false),
        // 6.855f is the last float of the centre line in the house as GetScore counts
        takes_out("a stone on the house's edge", FIVE, 1, 0, StonePosition{2.375f, 6.855f}, false),
        takes_out("a guard just off the house", FIVE, 1, 0, StonePosition{2.375f, above(6.855f)}, true),
        // a double: the thrown stone drives the team's own stone into the guard
        Row{"a guard taken out through another stone",
            FIVE,
            3,
            {{0, CENTRE_GUARD}, {1, StonePosition{2.375f, 9.6f}}, {2, BUTTON}},
            {{0, OUT}, {1, StonePosition{2.1f, 6.9f}}, {3, StonePosition{2.5f, 9.2f}}},
            true,
            0b11u},
        // no-tick: |x - 2.375| <= 0.145 touches the centre line
        moves("a centre guard moved off the line", FIVE | NO_TICK, CENTRE_GUARD, StonePosition{1.9f, 8.6f}, true),
        moves("a centre guard moved off the line without no-tick", FIVE, CENTRE_GUARD, StonePosition{1.9f, 8.6f},
              false),
        moves("a guard on the line's edge moved off", FIVE | NO_TICK, StonePosition{2.52f, 8.4f},
              StonePosition{2.9f, 8.4f}, true),
        moves("a guard clear of the line's other edge moved", FIVE | NO_TICK, StonePosition{below(2.23f), 8.4f},
              StonePosition{2.9f, 8.4f}, false),
        moves("a guard clear of the line moved", FIVE | NO_TICK, StonePosition{above(2.52f), 8.4f},
              StonePosition{2.9f, 8.4f}, false),
        moves("a centre guard moved along the line", FIVE | NO_TICK, CENTRE_GUARD, StonePosition{2.46f, 7.7f},
              false),
        takes_out("a centre guard ticked by the fifth stone under four-rock", FOUR | NO_TICK, 4, 1, CENTRE_GUARD,
                  true),
        takes_out("a centre guard taken out by the sixth stone", FIVE | NO_TICK, 5, 0, CENTRE_GUARD, false),
    };
}

GAMESTATE position_before(const Row& row) {
    GAMESTATE s = empty_state(row.shot);
    s.current_end = 2;
    s.end_scores[0] = 1;
    s.moving_side = static_cast<std::uint8_t>(row.shot % 2);
    for (const Stone& stone : row.before) s.stones[stone.slot] = stone.at;
    return s;
}

GAMESTATE position_after(const Row& row, const GAMESTATE& before) {
    GAMESTATE s = before;
    s.shot_number = row.shot + 1;
    s.moving_side = before.moving_side == 0 ? 1 : 0;
    s.stones[row.shot] = THROWN_REST;
    for (const Stone& stone : row.after) s.stones[stone.slot] = stone.at;
    return s;
}

}  // namespace

TEST(PhysicsGuardZone, UndoesExactlyTheDeliveriesTheRuleForbids) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.what);
        const GAMESTATE before = position_before(row);
        const GAMESTATE played = position_after(row, before);
        GAMESTATE after = played;
        std::uint32_t restored = 0xdeadbeefu;
        const std::int32_t r = ApplyFreeGuardZone(&before, &after, row.rule, &restored);
        EXPECT_EQ(r, row.undone ? 1 : 0);
        GAMESTATE expected = played;
        if (row.undone) {
            std::memcpy(expected.stones, before.stones, sizeof expected.stones);
            expected.stones[row.shot] = OUT;
        }
        EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
        EXPECT_EQ(restored, row.undone ? row.restored : 0u);
    }
}

TEST(PhysicsGuardZone, RefusesWhatIsNotOneDeliveryUnderAKnownRule) {
    GAMESTATE before = empty_state(1);
    before.stones[0] = CENTRE_GUARD;
    GAMESTATE played = before;
    played.shot_number = 2;
    const auto call = [&](const GAMESTATE* b, GAMESTATE a, std::int32_t rule) {
        const GAMESTATE kept = a;
        std::uint32_t restored = 7u;
        const std::int32_t r = ApplyFreeGuardZone(b, &a, rule, &restored);
        EXPECT_EQ(std::memcmp(&a, &kept, sizeof a), 0) << rule;
        EXPECT_EQ(restored, 7u) << rule;
        return r;
    };
    EXPECT_EQ(call(nullptr, played, FIVE), -1);
    EXPECT_EQ(ApplyFreeGuardZone(&before, nullptr, FIVE, nullptr), -1);
    for (std::int32_t rule : {1, 3, 6, -1, NO_TICK, FIVE | 512, FIVE | NO_TICK | 1024}) {
        EXPECT_EQ(call(&before, played, rule), -2);
    }
    GAMESTATE same = before;
    EXPECT_EQ(call(&before, same, FIVE), -2);
    GAMESTATE late = empty_state(16);
    GAMESTATE later = empty_state(17);
    EXPECT_EQ(call(&late, later, FIVE), -2);
    // a valid pair with the guard out: undone, and a null mask is fine
    played.stones[0] = OUT;
    played.stones[1] = THROWN_REST;
    GAMESTATE after = played;
    EXPECT_EQ(ApplyFreeGuardZone(&before, &after, FIVE, nullptr), 1);
    EXPECT_EQ(after.stones[0].y, CENTRE_GUARD.y);
    EXPECT_EQ(after.stones[1].y, 0.0f);
}
