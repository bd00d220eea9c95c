#include "engine.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "motion.h"

namespace curling::physics {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kContactGap = 1e-9;     // a contact is found to within this gap (m)
constexpr double kApproachEps = 1e-12;   // slower approaches are no approach (m/s)
constexpr int kMaxSearchSteps = 128;     // conservative advancement steps per pair and event
constexpr double kMinStep = 1e-9;        // s
constexpr int kMaxPasses = 512;          // passes over a cluster of frozen stones

struct Stone {
    Slot slot = Slot::kAbsent;
    bool moving = false;
    Removal removal = Removal::kNone;
    Vec2 p{};  // position while at rest
    Motion m{};
    PathHull hull;  // set with the motion
    double t_end = 0.0;  // end of the motion: rest or leaving play
    bool exits = false;
    Removal exit_line = Removal::kNone;
};

void start_motion(Stone& s, Vec2 p, Vec2 vel, double w, double t) {
    if (!make_motion(s.m, p, vel, w, t)) {
        s.moving = false;
        s.p = p;
        return;
    }
    s.moving = true;
    s.hull = path_hull(s.m);
    int which = -1;
    const double t_exit = exit_time(s.m, s.hull, &which);
    s.exits = t_exit <= s.m.t_stop;
    s.exit_line = which == 2 ? Removal::kBackLine : (which == 3 ? Removal::kNearBackLine : Removal::kSideLine);
    s.t_end = s.exits ? t_exit : s.m.t_stop;
}

// Earliest time in [t, t_hi) at which a (moving) and b come into contact
// while approaching. Returns true with `contact` when there is one, at
// `cert`; otherwise `cert` is a time before which there is certainly no
// contact (at least t_hi, unless the step budget ran out first).
// `slop` (0 or kContactSlop) is the overlap the pair must reach before it
// counts as a contact; it falls to 0 once the two are seen more than
// kContactSlop apart. A `ghost` pair (stones that overlapped from the start)
// cannot touch until it has come apart. `parted` receives the time at which
// the search saw the pair part (it is left alone when it did not).
bool search_contact(const Stone& a, const Stone& b, double t, double t_hi, double& cert, double slop,
                    bool ghost, double& parted) {
    const double acc = b.moving ? 2.0 * kMaxAccel : kMaxAccel;
    for (int step = 0; step < kMaxSearchSteps; ++step) {
        const MotionState sa = motion_state(a.m, t);
        MotionState sb{b.p, {0.0, 0.0}, 0.0};
        if (b.moving) sb = motion_state(b.m, t);
        const Vec2 d = sb.p - sa.p;
        const double dist = norm(d);
        const double speed = sa.v + sb.v;
        if (!(speed > 0.0)) {
            cert = kInf;
            return false;
        }
        double g = dist - 2.0 * kStoneRadius;
        if (ghost) {
            if (g <= 0.0) {
                // apart no sooner than the gap can open at the sum of the speeds
                double tau = -g / speed;
                if (tau < kMinStep) tau = kMinStep;
                t += tau;
                if (!(t < t_hi)) break;
                continue;
            }
            ghost = false;
            if (t < parted) parted = t;
        }
        if (!(dist > 1e-12)) {  // coincident centres have no normal
            cert = t;
            return false;
        }
        const Vec2 n = (1.0 / dist) * d;
        if (slop > 0.0) {
            if (g > kContactSlop) {
                slop = 0.0;
                if (t < parted) parted = t;
            }
            g += slop;
        }
        const double gdot = dot(sb.vel - sa.vel, n);
        if (g <= kContactGap && gdot < -kApproachEps) {
            cert = t;
            return true;
        }
        // Lower bounds of the time to contact: the gap closes no faster than
        // the sum of the speeds, and g'' >= -(|acc_a| + |acc_b|) because the
        // curvature term of the distance is never negative.
        const double gap = g > 0.0 ? g : 0.0;
        const double tau1 = gap / speed;
        const double root = std::sqrt(gdot * gdot + 2.0 * acc * gap);
        double tau2;
        if (gdot <= 0.0) {
            const double den = root - gdot;
            tau2 = den > 0.0 ? 2.0 * gap / den : 0.0;
        } else {
            tau2 = (gdot + root) / acc;
        }
        double tau = tau1 > tau2 ? tau1 : tau2;
        if (tau < kMinStep) tau = kMinStep;
        t += tau;
        if (!(t < t_hi)) break;
    }
    cert = t;
    return false;
}

enum class Event { kLimit, kEnd, kContact, kSafe };

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
    Stone st[kStones];
    std::uint32_t version[kStones] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};  // bumped whenever a motion changes
    Certificate cert[kStones][kStones];
    std::uint16_t has_cert[kStones] = {};  // bit j of row i: cert[i][j] written
    std::uint16_t sloppy[kStones] = {};    // bit j of row i (i < j): the pair has kContactSlop
    std::uint16_t ghost[kStones] = {};     // bit j of row i (i < j): overlapping from the start

    const RunOptions* opt;
    RunResult result;
    int thrown;
    double next_frame = 0.0;
    bool frames_on = false;

    // Pairs that a search has seen part by time t lose their ghost or slop.
    void commit_partings(double t) {
        for (int i = 0; i < kStones; ++i) {
            if ((ghost[i] | sloppy[i]) == 0) continue;
            for (int j = i + 1; j < kStones; ++j) {
                if (((ghost[i] | sloppy[i]) >> j & 1u) == 0) continue;
                for (const Certificate* c : {&cert[i][j], &cert[j][i]}) {
                    const int a = c == &cert[i][j] ? i : j;
                    const int b = c == &cert[i][j] ? j : i;
                    if ((has_cert[a] >> b & 1u) != 0 && c->va == version[a] && c->vb == version[b] &&
                        c->parted <= t) {
                        ghost[i] = static_cast<std::uint16_t>(ghost[i] & ~(1u << j));
                        sloppy[i] = static_cast<std::uint16_t>(sloppy[i] & ~(1u << j));
                    }
                }
            }
        }
    }

    bool is_ghost(int i, int j) const { return (ghost[i < j ? i : j] >> (i < j ? j : i) & 1u) != 0; }

    // Stones that overlap at the start (by more than the slop) pass through
    // each other until they have come apart.
    void find_ghosts() {
        constexpr double kDeep = 2.0 * kStoneRadius - kContactSlop;
        Vec2 pos[kStones];
        for (int i = 0; i < kStones; ++i) pos[i] = st[i].moving ? motion_position(st[i].m, 0.0) : st[i].p;
        for (int i = 0; i < kStones; ++i) {
            if (st[i].slot != Slot::kInPlay) continue;
            for (int j = i + 1; j < kStones; ++j) {
                if (st[j].slot != Slot::kInPlay) continue;
                const Vec2 d = pos[j] - pos[i];
                if (dot(d, d) < kDeep * kDeep) ghost[i] = static_cast<std::uint16_t>(ghost[i] | (1u << j));
            }
        }
    }

    void positions_at(double t, Vec2* pos, Slot* slot) const {
        for (int i = 0; i < kStones; ++i) {
            slot[i] = st[i].slot;
            pos[i] = st[i].moving ? motion_position(st[i].m, t) : st[i].p;
        }
    }

    void emit_frames_before(double t_event, bool inclusive) {
        if (!frames_on) return;
        FrameSink* sink = opt->sink;
        Vec2 pos[kStones];
        Slot slot[kStones];
        while (next_frame < t_event || (inclusive && next_frame <= t_event)) {
            positions_at(next_frame, pos, slot);
            if (!sink->emit(sink->context, next_frame, pos, slot)) {
                frames_on = false;
                return;
            }
            next_frame += sink->interval;
        }
    }

    void freeze(double t) {
        for (Stone& s : st) {
            if (s.slot == Slot::kInPlay && s.moving) {
                s.p = motion_position(s.m, t);
                s.moving = false;
            }
            ++version[&s - st];
        }
    }

    void contact(double t) {
        Body bodies[kStones];
        Vec2 pos[kStones];
        for (int i = 0; i < kStones; ++i) {
            const Stone& s = st[i];
            bodies[i] = Body{{0.0, 0.0}, 0.0};
            pos[i] = s.p;
            if (s.slot == Slot::kInPlay && s.moving) {
                const MotionState ms = motion_state(s.m, t);
                pos[i] = ms.p;
                bodies[i] = Body{ms.vel, s.m.rho * ms.v};
            }
        }
        ContactPair pairs[kStones * (kStones - 1) / 2];
        int count = 0;
        for (int i = 0; i < kStones; ++i) {
            if (st[i].slot != Slot::kInPlay) continue;
            for (int j = i + 1; j < kStones; ++j) {
                if (st[j].slot != Slot::kInPlay || is_ghost(i, j)) continue;
                const Vec2 d = pos[j] - pos[i];
                constexpr double kReach = 2.0 * kStoneRadius + kTouchTol;
                const double d2 = dot(d, d);
                if (!(d2 <= kReach * kReach)) continue;
                const double dist = std::sqrt(d2);
                if (dist > 1e-12 && dist - 2.0 * kStoneRadius <= kTouchTol) {
                    pairs[count++] = ContactPair{i, j, (1.0 / dist) * d};
                }
            }
        }
        bool touched[kStones] = {};
        double first[kStones * (kStones - 1) / 2];
        result.impulses += resolve_contacts(bodies, pairs, count, opt->contact, touched, kMaxPasses, first);
        for (int k = 0; k < count; ++k) {
            if (first[k] > 0.0 && first[k] < kSlowContact) {
                sloppy[pairs[k].a] = static_cast<std::uint16_t>(sloppy[pairs[k].a] | (1u << pairs[k].b));
            }
        }
        if (touched[thrown]) result.delivered_hit = true;
        for (int i = 0; i < kStones; ++i) {
            if (touched[i]) {
                start_motion(st[i], pos[i], bodies[i].v, bodies[i].w, t);
                ++version[i];
            }
        }
    }

    void run() {
        double t = 0.0;
        find_ghosts();
        const double t_limit = opt->time_limit >= 0.0 ? opt->time_limit : kInf;
        while (true) {
            bool any_moving = false;
            for (const Stone& s : st) any_moving |= (s.slot == Slot::kInPlay && s.moving);
            if (!any_moving) break;
            commit_partings(t);
            if (result.events >= opt->max_events) {
                freeze(t);
                result.cut_short = true;
                break;
            }
            double best = t_limit;
            Event kind = Event::kLimit;
            int ia = -1;
            for (int i = 0; i < kStones; ++i) {
                const Stone& s = st[i];
                if (s.slot == Slot::kInPlay && s.moving && s.t_end < best) {
                    best = s.t_end;
                    kind = Event::kEnd;
                    ia = i;
                }
            }
            for (int i = 0; i < kStones; ++i) {
                const Stone& a = st[i];
                if (a.slot != Slot::kInPlay || !a.moving) continue;
                double reach_a = -1.0;
                Vec2 pa{};
                for (int j = 0; j < kStones; ++j) {
                    const Stone& b = st[j];
                    if (j == i || b.slot != Slot::kInPlay) continue;
                    if (b.moving && j < i) continue;  // each moving pair once
                    Certificate& c = cert[i][j];
                    double from = t;
                    if ((has_cert[i] >> j & 1u) != 0 && c.va == version[i] && c.vb == version[j]) {
                        if (c.t >= best && !(c.contact && c.t == best)) continue;  // nothing before best
                        if (c.t > from) from = c.t;
                    } else {
                        has_cert[i] = static_cast<std::uint16_t>(has_cert[i] | (1u << j));
                        c.va = version[i];
                        c.vb = version[j];
                        c.contact = false;
                        c.t = t;
                        c.parted = kInf;
                        if (b.moving) {
                            if (reach_a < 0.0) {
                                const MotionState sa = motion_state(a.m, t);
                                pa = sa.p;
                                reach_a = sa.v * sa.v / (2.0 * kDecel);
                            }
                            const MotionState sb = motion_state(b.m, t);
                            const double reach_b = sb.v * sb.v / (2.0 * kDecel);
                            if (norm(sb.p - pa) - 2.0 * kStoneRadius > reach_a + reach_b + 1e-6) {
                                c.t = kInf;
                                continue;
                            }
                        } else if (!near_hull(a.hull, b.p, 2.0 * kStoneRadius + 1e-6)) {
                            c.t = kInf;
                            continue;
                        }
                    }
                    const int lo = i < j ? i : j;
                    const int hi = i < j ? j : i;
                    const bool apart = c.parted <= from;
                    const bool ghost_now = !apart && (ghost[lo] >> hi & 1u) != 0;
                    const double slop = !apart && (sloppy[lo] >> hi & 1u) != 0 ? kContactSlop : 0.0;
                    double found = 0.0;
                    const bool is_contact = search_contact(a, b, from, best, found, slop, ghost_now, c.parted);
                    c.t = found;
                    c.contact = is_contact;
                    const bool earlier = is_contact ? (found < best || (found == best && kind != Event::kContact))
                                                    : found < best;
                    if (earlier) {
                        best = found;
                        kind = is_contact ? Event::kContact : Event::kSafe;
                        ia = i;
                    }
                }
            }
            emit_frames_before(best, false);
            t = best;
            ++result.events;
            if (kind == Event::kLimit) {
                freeze(t);
                result.cut_short = true;
                break;
            }
            if (kind == Event::kEnd) {
                Stone& s = st[ia];
                ++version[ia];
                if (s.exits) {
                    s.slot = Slot::kRemoved;
                    s.moving = false;
                    s.removal = s.exit_line;
                } else {
                    s.p = s.m.rest;
                    s.moving = false;
                }
                result.end_time = t;
            } else if (kind == Event::kContact) {
                commit_partings(t);
                contact(t);
            }
        }
        if (frames_on) emit_frames_before(t, true);
    }
};

}  // namespace

RunResult run_shot(Sheet& sheet, int thrown, Vec2 vel, int spin, const RunOptions& options) noexcept {
    World w;
    w.opt = &options;
    w.thrown = thrown;
    w.frames_on = options.sink != nullptr && options.sink->emit != nullptr &&
                  options.sink->interval > 0.0;
    for (int i = 0; i < kStones; ++i) {
        w.st[i].slot = sheet.slot[i] == Slot::kInPlay ? Slot::kInPlay : Slot::kAbsent;
        w.st[i].p = sheet.pos[i];
    }
    Stone& s = w.st[thrown];
    s.slot = Slot::kInPlay;
    const Vec2 start{0.0, kReleaseY};
    if (!std::isfinite(vel.x) || !std::isfinite(vel.y)) vel = Vec2{0.0, 0.0};
    double speed = norm(vel);
    if (speed > kMaxSpeed) {
        vel = (kMaxSpeed / speed) * vel;
        speed = kMaxSpeed;
    }
    const double sign = spin > 0 ? 1.0 : (spin < 0 ? -1.0 : 0.0);
    start_motion(s, start, vel, sign * kSpinPerSpeed * speed, 0.0);
    w.run();
    RunResult r = w.result;
    Stone& d = w.st[thrown];
    if (!r.cut_short && d.slot == Slot::kInPlay && !(d.p.y < kHogClearY) && !r.delivered_hit) {
        d.slot = Slot::kRemoved;
        d.removal = Removal::kHogLine;
    }
    for (int i = 0; i < kStones; ++i) {
        if (w.st[i].slot == Slot::kAbsent) continue;
        sheet.slot[i] = w.st[i].slot;
        sheet.removal[i] = w.st[i].removal;
        if (w.st[i].slot == Slot::kInPlay) sheet.pos[i] = w.st[i].p;
    }
    return r;
}

}  // namespace curling::physics
