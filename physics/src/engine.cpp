#include "engine.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "motion.h"
#include "world.h"

namespace curling::physics {
namespace engine_detail {

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
    s.exit_line = which == 2 ? Removal::BACK_LINE : (which == 3 ? Removal::NEAR_BACK_LINE : Removal::SIDE_LINE);
    s.t_end = s.exits ? t_exit : s.m.t_stop;
}

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double CONTACT_GAP = 1e-9;     // a contact is found to within this gap (m)
constexpr double APPROACH_EPS = 1e-12;   // slower approaches are no approach (m/s)
constexpr int MAX_SEARCH_STEPS = 128;     // conservative advancement steps per pair and event
constexpr double MIN_STEP = 1e-9;        // s
constexpr int MAX_PASSES = 512;          // passes over a cluster of frozen stones

// Earliest time in [t, t_hi) at which a (moving) and b come into contact
// while approaching. Returns true with `contact` when there is one, at
// `cert`; otherwise `cert` is a time before which there is certainly no
// contact (at least t_hi, unless the step budget ran out first).
// `slop` (0 or CONTACT_SLOP) is the overlap the pair must reach before it
// counts as a contact; it falls to 0 once the two are seen more than
// CONTACT_SLOP apart. A `ghost` pair (stones that overlapped from the start)
// cannot touch until it has come apart. `parted` receives the time at which
// the search saw the pair part (it is left alone when it did not).
bool search_contact(const Stone& a, const Stone& b, double t, double t_hi, double& cert, double slop,
                    bool ghost, double& parted) {
    const double acc = b.moving ? 2.0 * MAX_ACCEL : MAX_ACCEL;
    for (int step = 0; step < MAX_SEARCH_STEPS; ++step) {
        const MotionState sa = motion_state(a.m, t);
        MotionState sb{b.p, {0.0, 0.0}, 0.0};
        if (b.moving) sb = motion_state(b.m, t);
        const Vec2 d = sb.p - sa.p;
        const double dist = norm(d);
        const double speed = sa.v + sb.v;
        if (!(speed > 0.0)) {
            cert = INF;
            return false;
        }
        double g = dist - 2.0 * STONE_RADIUS;
        if (ghost) {
            if (g <= 0.0) {
                // apart no sooner than the gap can open at the sum of the speeds
                double tau = -g / speed;
                if (tau < MIN_STEP) tau = MIN_STEP;
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
            if (g > CONTACT_SLOP) {
                slop = 0.0;
                if (t < parted) parted = t;
            }
            g += slop;
        }
        const double gdot = dot(sb.vel - sa.vel, n);
        if (g <= CONTACT_GAP && gdot < -APPROACH_EPS) {
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
        if (tau < MIN_STEP) tau = MIN_STEP;
        t += tau;
        if (!(t < t_hi)) break;
    }
    cert = t;
    return false;
}

}  // namespace

void World::commit_partings(double t) {
    for (int i = 0; i < STONES; ++i) {
        if ((ghost[i] | sloppy[i]) == 0) continue;
        for (int j = i + 1; j < STONES; ++j) {
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

void World::find_ghosts() {
    constexpr double DEEP = 2.0 * STONE_RADIUS - CONTACT_SLOP;
    Vec2 pos[STONES];
    for (int i = 0; i < STONES; ++i) pos[i] = st[i].moving ? motion_position(st[i].m, 0.0) : st[i].p;
    for (int i = 0; i < STONES; ++i) {
        if (st[i].slot != Slot::IN_PLAY) continue;
        for (int j = i + 1; j < STONES; ++j) {
            if (st[j].slot != Slot::IN_PLAY) continue;
            const Vec2 d = pos[j] - pos[i];
            if (dot(d, d) < DEEP * DEEP) ghost[i] = static_cast<std::uint16_t>(ghost[i] | (1u << j));
        }
    }
}

void World::positions_at(double t, Vec2* pos, Slot* slot) const {
    for (int i = 0; i < STONES; ++i) {
        slot[i] = st[i].slot;
        pos[i] = st[i].moving ? motion_position(st[i].m, t) : st[i].p;
    }
}

void World::emit_frames_before(double t_event, bool inclusive) {
    if (!frames_on) return;
    FrameSink* sink = opt->sink;
    Vec2 pos[STONES];
    Slot slot[STONES];
    while (next_frame < t_event || (inclusive && next_frame <= t_event)) {
        positions_at(next_frame, pos, slot);
        if (!sink->emit(sink->context, next_frame, pos, slot)) {
            frames_on = false;
            return;
        }
        next_frame += sink->interval;
    }
}

void World::freeze(double t) {
    for (Stone& s : st) {
        if (s.slot == Slot::IN_PLAY && s.moving) {
            s.p = motion_position(s.m, t);
            s.moving = false;
        }
        ++version[&s - st];
    }
}

void World::contact(double t) {
    Body bodies[STONES];
    Vec2 pos[STONES];
    for (int i = 0; i < STONES; ++i) {
        const Stone& s = st[i];
        bodies[i] = Body{{0.0, 0.0}, 0.0};
        pos[i] = s.p;
        if (s.slot == Slot::IN_PLAY && s.moving) {
            const MotionState ms = motion_state(s.m, t);
            pos[i] = ms.p;
            bodies[i] = Body{ms.vel, s.m.rho * ms.v};
        }
    }
    ContactPair pairs[STONES * (STONES - 1) / 2];
    int count = 0;
    for (int i = 0; i < STONES; ++i) {
        if (st[i].slot != Slot::IN_PLAY) continue;
        for (int j = i + 1; j < STONES; ++j) {
            if (st[j].slot != Slot::IN_PLAY || is_ghost(i, j)) continue;
            const Vec2 d = pos[j] - pos[i];
            constexpr double REACH = 2.0 * STONE_RADIUS + TOUCH_TOL;
            const double d2 = dot(d, d);
            if (!(d2 <= REACH * REACH)) continue;
            const double dist = std::sqrt(d2);
            if (dist > 1e-12 && dist - 2.0 * STONE_RADIUS <= TOUCH_TOL) {
                pairs[count++] = ContactPair{i, j, (1.0 / dist) * d};
            }
        }
    }
    if (pressed_together(pairs, count, bodies, pos, t)) {
        ++result.pressed;
        return;
    }
    bool touched[STONES] = {};
    double first[STONES * (STONES - 1) / 2];
    std::uint16_t sloppy_before[STONES];
    for (int i = 0; i < STONES; ++i) sloppy_before[i] = sloppy[i];
    result.impulses += resolve_contacts(bodies, pairs, count, opt->contact, touched, MAX_PASSES, first);
    // One slow impulse, on a pair that has touched slowly before: a stone
    // pressing against a resting one.
    int struck = -1;
    for (int k = 0; k < count; ++k) {
        if (first[k] > 0.0) struck = struck == -1 ? k : -2;
    }
    if (struck >= 0 && first[struck] < SLOW_CONTACT &&
        (sloppy_before[pairs[struck].a] >> pairs[struck].b & 1u) != 0 &&
        slide_to_rest(pairs[struck], pos, t, false)) {
        touched[pairs[struck].a] = false;
        touched[pairs[struck].b] = false;
        ++result.pressed;
    }
    for (int k = 0; k < count; ++k) {
        if (!(first[k] > 0.0)) continue;
        const int a = pairs[k].a;
        const int b = pairs[k].b;
        const bool slow = first[k] < SLOW_CONTACT;
        if ((sloppy_before[a] >> b & 1u) == 0) presses[a][b] = 0;
        if (slow) {
            sloppy[a] = static_cast<std::uint16_t>(sloppy[a] | (1u << b));
            if (presses[a][b] < 255) ++presses[a][b];
        }
    }
    if (touched[thrown]) result.delivered_hit = true;
    for (int i = 0; i < STONES; ++i) {
        if (touched[i]) {
            start_motion(st[i], pos[i], bodies[i].v, bodies[i].w, t);
            ++version[i];
        }
    }
}

void World::run() {
    double t = 0.0;
    find_ghosts();
    const double t_limit = opt->time_limit >= 0.0 ? opt->time_limit : INF;
    while (true) {
        bool any_moving = false;
        for (const Stone& s : st) any_moving |= (s.slot == Slot::IN_PLAY && s.moving);
        if (!any_moving) break;
        commit_partings(t);
        if (result.events >= opt->max_events) {
            freeze(t);
            result.cut_short = true;
            break;
        }
        double best = t_limit;
        Event kind = Event::LIMIT;
        int ia = -1;
        for (int i = 0; i < STONES; ++i) {
            const Stone& s = st[i];
            if (s.slot == Slot::IN_PLAY && s.moving && s.t_end < best) {
                best = s.t_end;
                kind = Event::END;
                ia = i;
            }
        }
        for (int i = 0; i < STONES; ++i) {
            const Stone& a = st[i];
            if (a.slot != Slot::IN_PLAY || !a.moving) continue;
            double reach_a = -1.0;
            Vec2 pa{};
            for (int j = 0; j < STONES; ++j) {
                const Stone& b = st[j];
                if (j == i || b.slot != Slot::IN_PLAY) continue;
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
                    c.parted = INF;
                    if (b.moving) {
                        if (reach_a < 0.0) {
                            const MotionState sa = motion_state(a.m, t);
                            pa = sa.p;
                            reach_a = sa.v * sa.v / (2.0 * DECEL);
                        }
                        const MotionState sb = motion_state(b.m, t);
                        const double reach_b = sb.v * sb.v / (2.0 * DECEL);
                        if (norm(sb.p - pa) - 2.0 * STONE_RADIUS > reach_a + reach_b + 1e-6) {
                            c.t = INF;
                            continue;
                        }
                    } else if (!near_hull(a.hull, b.p, 2.0 * STONE_RADIUS + 1e-6)) {
                        c.t = INF;
                        continue;
                    }
                }
                const int lo = i < j ? i : j;
                const int hi = i < j ? j : i;
                const bool apart = c.parted <= from;
                const bool ghost_now = !apart && (ghost[lo] >> hi & 1u) != 0;
                const double slop = !apart && (sloppy[lo] >> hi & 1u) != 0 ? CONTACT_SLOP : 0.0;
                double found = 0.0;
                const bool is_contact = search_contact(a, b, from, best, found, slop, ghost_now, c.parted);
                c.t = found;
                c.contact = is_contact;
                const bool earlier = is_contact ? (found < best || (found == best && kind != Event::CONTACT))
                                                : found < best;
                if (earlier) {
                    best = found;
                    kind = is_contact ? Event::CONTACT : Event::SAFE;
                    ia = i;
                }
            }
        }
        emit_frames_before(best, false);
        t = best;
        ++result.events;
        if (kind == Event::LIMIT) {
            freeze(t);
            result.cut_short = true;
            break;
        }
        if (kind == Event::END) {
            Stone& s = st[ia];
            ++version[ia];
            if (s.exits) {
                s.slot = Slot::REMOVED;
                s.moving = false;
                s.removal = s.exit_line;
            } else {
                s.p = s.m.rest;
                s.moving = false;
            }
            result.end_time = t;
        } else if (kind == Event::CONTACT) {
            commit_partings(t);
            contact(t);
        }
    }
    if (frames_on) emit_frames_before(t, true);
}

}  // namespace engine_detail

RunResult run_shot(Sheet& sheet, int thrown, Vec2 vel, int spin, const RunOptions& options) noexcept {
    using namespace engine_detail;
    World w;
    w.opt = &options;
    w.thrown = thrown;
    w.frames_on = options.sink != nullptr && options.sink->emit != nullptr &&
                  options.sink->interval > 0.0;
    for (int i = 0; i < STONES; ++i) {
        w.st[i].slot = sheet.slot[i] == Slot::IN_PLAY ? Slot::IN_PLAY : Slot::ABSENT;
        w.st[i].p = sheet.pos[i];
    }
    Stone& s = w.st[thrown];
    s.slot = Slot::IN_PLAY;
    const Vec2 start{0.0, RELEASE_Y};
    if (!std::isfinite(vel.x) || !std::isfinite(vel.y)) vel = Vec2{0.0, 0.0};
    double speed = norm(vel);
    if (speed > MAX_SPEED) {
        vel = (MAX_SPEED / speed) * vel;
        speed = MAX_SPEED;
    }
    const double sign = spin > 0 ? 1.0 : (spin < 0 ? -1.0 : 0.0);
    start_motion(s, start, vel, sign * SPIN_PER_SPEED * speed, 0.0);
    w.run();
    RunResult r = w.result;
    Stone& d = w.st[thrown];
    if (!r.cut_short && d.slot == Slot::IN_PLAY && !(d.p.y < HOG_CLEAR_Y) && !r.delivered_hit) {
        d.slot = Slot::REMOVED;
        d.removal = Removal::HOG_LINE;
    }
    for (int i = 0; i < STONES; ++i) {
        if (w.st[i].slot == Slot::ABSENT) continue;
        sheet.slot[i] = w.st[i].slot;
        sheet.removal[i] = w.st[i].removal;
        if (w.st[i].slot == Slot::IN_PLAY) sheet.pos[i] = w.st[i].p;
    }
    return r;
}

}  // namespace curling::physics

