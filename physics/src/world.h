// The state of one delivery inside the event-driven engine (engine.cpp):
// the stones, what the pair searches have proven, the bookkeeping of
// resting contacts; pressing.cpp resolves stones pressed against each
// other. Internal to the library.
#pragma once

#include <cstdint>

#include "collision.h"
#include "engine.h"
#include "motion.h"

namespace curling::physics::engine_detail {

// Slow contacts of a pair that has not parted since its last slow contact
// after which the pair counts as pressed together (see hold_pressed).
constexpr int PRESSES_BEFORE_HOLD = 32;

struct Stone {
    Slot slot = Slot::ABSENT;
    bool moving = false;
    Removal removal = Removal::NONE;
    Vec2 p{};  // position while at rest
    Motion m{};
    PathHull hull;  // set with the motion
    double t_end = 0.0;  // end of the motion: rest or leaving play
    bool exits = false;
    Removal exit_line = Removal::NONE;
};

// Starts stone s moving from p at time t (or leaves it resting there when
// the speed is too small to move).
void start_motion(Stone& s, Vec2 p, Vec2 vel, double w, double t);

enum class Event { LIMIT, END, CONTACT, SAFE };

// What a pair search has proven, valid while neither stone's motion changes.
// (Left uninitialised until first written; `has_cert` tells which are.)
struct Certificate {
    double t;          // no contact before t (a contact at t when `contact`)
    double parted;     // when the pair was seen apart (ending a ghost or slop), or +inf
    std::uint32_t va;  // motion versions of the two stones
    std::uint32_t vb;
    bool contact;
};

struct World {
    Stone st[STONES];
    std::uint32_t version[STONES] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};  // bumped whenever a motion changes
    Certificate cert[STONES][STONES];
    std::uint16_t has_cert[STONES] = {};  // bit j of row i: cert[i][j] written
    std::uint16_t sloppy[STONES] = {};    // bit j of row i (i < j): the pair has CONTACT_SLOP
    std::uint16_t ghost[STONES] = {};     // bit j of row i (i < j): overlapping from the start
    std::uint8_t presses[STONES][STONES] = {};  // [i][j], i < j: slow contacts since the pair last parted

    const RunOptions* opt;
    RunResult result;
    int thrown;
    double next_frame = 0.0;
    bool frames_on = false;

    bool is_ghost(int i, int j) const { return (ghost[i < j ? i : j] >> (i < j ? j : i) & 1u) != 0; }

    // Pairs that a search has seen part by time t lose their ghost or slop.
    void commit_partings(double t);

    // Stones that overlap at the start (by more than the slop) pass through
    // each other until they have come apart.
    void find_ghosts();

    void positions_at(double t, Vec2* pos, Slot* slot) const;

    void emit_frames_before(double t_event, bool inclusive);

    void freeze(double t);

    // A slow stone that curls back into a resting stone it has already
    // touched, tighter than the resting stone's rim, presses against it and
    // slides along that rim until it stops: the ice holds the resting stone
    // (such a push is far below its static friction), and bouncing it off
    // instead would take thousands of ever smaller impulses. The sliding
    // stone is put where the slide ends, the length of its free slide along
    // the rim, unless another stone or a line is in the way (then it fails,
    // or with `to_obstacle` ends where the slider meets that stone, or leaves
    // play over that line). True when done.
    bool slide_to_rest(const ContactPair& pair, const Vec2* pos, double t, bool to_obstacle);

    // The velocity nearest to v with which stone i approaches none of the
    // resting stones it touches (it slides along them, or stops in a corner
    // between them). False when v approaches none of them already; `only`
    // receives the pair of the one it approaches, or -1 for several.
    bool leave_resting(int i, const ContactPair* pairs, int count, Vec2 v, Vec2& out, int& only) const;

    // Stones pressing against each other are resolved at the level of
    // velocities, not by bouncing them apart thousands of times: a resting
    // stone is held by the ice (the push is far below its static friction);
    // of two moving stones the slower one is held where it is (it is pushed
    // along at about half the ice's friction and stops within a few
    // millimetres anyway); a stone pressing into one resting stone slides
    // along its rim to rest (or to the stone in its way); one pressing into
    // several loses the part of its velocity that approaches them, keeping
    // its slide along them and its spin.
    void hold_pressed(const ContactPair* pairs, int count, const Body* before, const Vec2* pos, double t);

    // Stones pressing against each other: every approaching pair approaches
    // slowly and has touched slowly before without parting since, and one of
    // them has done so PRESSES_BEFORE_HOLD times in a row (a few such bounces
    // are real; the rest is the collapse of a pair that no longer parts).
    // Resolves such a contact with hold_pressed and returns true.
    bool pressed_together(const ContactPair* pairs, int count, const Body* bodies, const Vec2* pos, double t);

    void contact(double t);

    void run();
};

}  // namespace curling::physics::engine_detail
