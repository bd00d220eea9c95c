// Event-driven simulation of one delivery: every stone follows its closed
// form free path; the engine advances from event to event (a stone comes to
// rest, leaves play, or touches another) and finds the exact time of contact
// by conservative advancement.
#pragma once

#include <cstdint>

#include "collision.h"
#include "model.h"

namespace curling::physics {

inline constexpr int STONES = 16;

enum class Slot : std::uint8_t {
    ABSENT = 0,   // takes no part: left as it is
    IN_PLAY = 1,   // a stone in play (at rest when the shot ends)
    REMOVED = 2,  // left play during the shot
};

enum class Removal : std::uint8_t {
    NONE = 0,
    BACK_LINE,      // completely crossed the far back line
    SIDE_LINE,      // touched a side line
    NEAR_BACK_LINE,  // completely crossed the near back line (knocked back)
    HOG_LINE,       // delivered stone that did not clear the far hog line
};

struct Sheet {
    Vec2 pos[STONES];  // internal coordinates (u, y)
    Slot slot[STONES];
    Removal removal[STONES];
};

// Receives snapshots of the stones during a shot (for pictures).
struct FrameSink {
    double interval = 0.05;  // seconds between frames
    void* context = nullptr;
    // Returns false to stop receiving frames.
    bool (*emit)(void* context, double time, const Vec2* pos, const Slot* slot) = nullptr;
};

struct RunOptions {
    double time_limit = -1.0;  // seconds; negative: until every stone rests
    ContactParams contact{};
    FrameSink* sink = nullptr;
    int max_events = 4096;
};

struct RunResult {
    bool cut_short = false;      // stopped by the time limit or the event bound
    bool delivered_hit = false;  // the delivered stone touched another stone
    double end_time = 0.0;       // when the last stone came to rest or left play
    int events = 0;
    int impulses = 0;
    int pressed = 0;  // contacts resolved as stones pressed together (see README.md)
};

// Plays stone `thrown` from the release point (0, RELEASE_Y) with velocity
// `vel` (m/s) and curl sign `spin` (+1 counter-clockwise, curls toward +u;
// -1 clockwise), the other stones of `sheet` that are IN_PLAY standing where
// they are. On return every stone that took part is IN_PLAY at its resting
// place or REMOVED; ABSENT slots are untouched.
RunResult run_shot(Sheet& sheet, int thrown, Vec2 vel, int spin, const RunOptions& options) noexcept;

}  // namespace curling::physics
