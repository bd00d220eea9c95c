// Event-driven simulation of one delivery: every stone follows its closed
// form free path; the engine advances from event to event (a stone comes to
// rest, leaves play, or touches another) and finds the exact time of contact
// by conservative advancement.
#pragma once

#include <cstdint>

#include "collision.h"
#include "model.h"

namespace curling::physics {

inline constexpr int kStones = 16;

enum class Slot : std::uint8_t {
    kAbsent = 0,   // takes no part: left as it is
    kInPlay = 1,   // a stone in play (at rest when the shot ends)
    kRemoved = 2,  // left play during the shot
};

enum class Removal : std::uint8_t {
    kNone = 0,
    kBackLine,      // completely crossed the far back line
    kSideLine,      // touched a side line
    kNearBackLine,  // completely crossed the near back line (knocked back)
    kHogLine,       // delivered stone that did not clear the far hog line
};

struct Sheet {
    Vec2 pos[kStones];  // internal coordinates (u, y)
    Slot slot[kStones];
    Removal removal[kStones];
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
};

// Plays stone `thrown` from the release point (0, kReleaseY) with velocity
// `vel` (m/s) and curl sign `spin` (+1 counter-clockwise, curls toward +u;
// -1 clockwise), the other stones of `sheet` that are kInPlay standing where
// they are. On return every stone that took part is kInPlay at its resting
// place or kRemoved; kAbsent slots are untouched.
RunResult run_shot(Sheet& sheet, int thrown, Vec2 vel, int spin, const RunOptions& options) noexcept;

}  // namespace curling::physics
