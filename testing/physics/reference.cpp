#include "reference.h"

#include <cmath>
#include <cstdint>

#include "collision.h"

namespace physics_test {

namespace cp = curling::physics;
using cp::Vec2;

namespace {

struct RefStone {
    bool active = false;   // in play
    bool removed = false;
    bool moving = false;
    double x = 0.0, y = 0.0, v = 0.0, phi = 0.0;
    double rho = 0.0;      // omega / v
    int s = 0;
};

double curl_rate(double v, int s) { return s * cp::CURL_K / (v * v + cp::CURL_VC * cp::CURL_VC); }

// One classical Runge-Kutta step of length h (the stone stops if its speed
// reaches zero within it).
RefStone advance(const RefStone& a, double h) {
    if (!a.moving || !a.active) return a;
    RefStone b = a;
    const double t_stop = a.v / cp::DECEL;
    const bool stops = h >= t_stop;
    if (stops) h = t_stop;
    auto vel = [&](double tau) { return a.v - cp::DECEL * tau; };
    auto f = [&](double tau, double phi, double& dx, double& dy, double& dphi) {
        const double v = vel(tau);
        dx = v * std::cos(phi);
        dy = v * std::sin(phi);
        dphi = curl_rate(v, a.s);
    };
    double k1x, k1y, k1p, k2x, k2y, k2p, k3x, k3y, k3p, k4x, k4y, k4p;
    f(0.0, a.phi, k1x, k1y, k1p);
    f(0.5 * h, a.phi + 0.5 * h * k1p, k2x, k2y, k2p);
    f(0.5 * h, a.phi + 0.5 * h * k2p, k3x, k3y, k3p);
    f(h, a.phi + h * k3p, k4x, k4y, k4p);
    b.x = a.x + h / 6.0 * (k1x + 2.0 * k2x + 2.0 * k3x + k4x);
    b.y = a.y + h / 6.0 * (k1y + 2.0 * k2y + 2.0 * k3y + k4y);
    b.phi = a.phi + h / 6.0 * (k1p + 2.0 * k2p + 2.0 * k3p + k4p);
    b.v = stops ? 0.0 : vel(h);
    if (stops) b.moving = false;
    return b;
}

bool out_of_play(const RefStone& a) {
    return !(std::fabs(a.x) < cp::MAX_ABS_U && a.y >= cp::MIN_Y && a.y <= cp::MAX_Y);
}

Vec2 velocity(const RefStone& a) {
    return a.moving ? Vec2{a.v * std::cos(a.phi), a.v * std::sin(a.phi)} : Vec2{0.0, 0.0};
}

// Pairs under the resting-contact slop (CONTACT_SLOP, model.h): bit j of
// row i, i < j.
using SlopBits = std::uint16_t[cp::STONES];

// Whether anything happens by the end of the trial state: a moving stone out
// of play, or two stones overlapping (by the pair's slop) and approaching.
bool event_in(const RefStone* st, const SlopBits& slop) {
    for (int i = 0; i < cp::STONES; ++i) {
        if (st[i].active && st[i].moving && out_of_play(st[i])) return true;
    }
    for (int i = 0; i < cp::STONES; ++i) {
        if (!st[i].active) continue;
        for (int j = i + 1; j < cp::STONES; ++j) {
            if (!st[j].active || (!st[i].moving && !st[j].moving)) continue;
            const double dx = st[j].x - st[i].x;
            const double dy = st[j].y - st[i].y;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double reach = 2.0 * cp::STONE_RADIUS - ((slop[i] >> j & 1u) != 0 ? cp::CONTACT_SLOP : 0.0);
            if (d >= reach || d < 1e-12) continue;
            const Vec2 vi = velocity(st[i]);
            const Vec2 vj = velocity(st[j]);
            if ((vj.x - vi.x) * dx + (vj.y - vi.y) * dy < 0.0) return true;
        }
    }
    return false;
}

}  // namespace

ReferenceResult reference_shot(cp::Sheet& sheet, int thrown, Vec2 vel, int spin, double dt) {
    ReferenceResult result;
    RefStone st[cp::STONES];
    for (int k = 0; k < cp::STONES; ++k) {
        if (sheet.slot[k] == cp::Slot::IN_PLAY) {
            st[k].active = true;
            st[k].x = sheet.pos[k].x;
            st[k].y = sheet.pos[k].y;
        }
    }
    RefStone& d = st[thrown];
    d = RefStone{};
    d.active = true;
    d.x = 0.0;
    d.y = cp::RELEASE_Y;
    const double v0 = std::sqrt(vel.x * vel.x + vel.y * vel.y);
    if (v0 > 1e-9) {
        d.moving = true;
        d.v = v0;
        d.phi = std::atan2(vel.y, vel.x);
        d.s = spin;
        d.rho = spin * cp::SPIN_PER_SPEED;
    }
    double t = 0.0;
    const cp::ContactParams params{};
    SlopBits slop = {};
    auto clear_parted = [&] {
        for (int i = 0; i < cp::STONES; ++i) {
            for (int j = i + 1; j < cp::STONES; ++j) {
                if ((slop[i] >> j & 1u) == 0) continue;
                if (std::hypot(st[j].x - st[i].x, st[j].y - st[i].y) > 2.0 * cp::STONE_RADIUS + cp::CONTACT_SLOP) {
                    slop[i] = static_cast<std::uint16_t>(slop[i] & ~(1u << j));
                }
            }
        }
    };
    for (int guard = 0; guard < 200000; ++guard) {
        bool any = false;
        for (const RefStone& a : st) any |= a.active && a.moving;
        if (!any) break;
        RefStone trial[cp::STONES];
        for (int k = 0; k < cp::STONES; ++k) trial[k] = advance(st[k], dt);
        if (!event_in(trial, slop)) {
            for (int k = 0; k < cp::STONES; ++k) {
                if (st[k].moving && !trial[k].moving) result.end_time = t + dt;
                st[k] = trial[k];
            }
            t += dt;
            clear_parted();
            continue;
        }
        // bisect the step to the first moment something happens
        double lo = 0.0;
        double hi = dt;
        for (int it = 0; it < 40; ++it) {
            const double mid = 0.5 * (lo + hi);
            for (int k = 0; k < cp::STONES; ++k) trial[k] = advance(st[k], mid);
            if (event_in(trial, slop)) hi = mid;
            else lo = mid;
        }
        for (int k = 0; k < cp::STONES; ++k) {
            trial[k] = advance(st[k], hi);
            if (st[k].moving && !trial[k].moving) result.end_time = t + hi;
            st[k] = trial[k];
        }
        t += hi;
        for (RefStone& a : st) {
            if (a.active && a.moving && out_of_play(a)) {
                a.active = false;
                a.removed = true;
                a.moving = false;
                result.end_time = t;
            }
        }
        cp::Body bodies[cp::STONES];
        cp::ContactPair pairs[cp::STONES * cp::STONES];
        int count = 0;
        for (int i = 0; i < cp::STONES; ++i) {
            bodies[i] = cp::Body{velocity(st[i]), st[i].moving ? st[i].rho * st[i].v : 0.0};
            if (!st[i].active) continue;
            for (int j = i + 1; j < cp::STONES; ++j) {
                if (!st[j].active) continue;
                const double dx = st[j].x - st[i].x;
                const double dy = st[j].y - st[i].y;
                const double dd = std::sqrt(dx * dx + dy * dy);
                if (dd > 1e-12 && dd - 2.0 * cp::STONE_RADIUS <= cp::TOUCH_TOL) {
                    pairs[count++] = cp::ContactPair{i, j, Vec2{dx / dd, dy / dd}};
                }
            }
        }
        bool touched[cp::STONES] = {};
        double first[cp::STONES * cp::STONES];
        result.contacts += cp::resolve_contacts(bodies, pairs, count, params, touched, 512, first);
        for (int k = 0; k < count; ++k) {
            if (first[k] > 0.0 && first[k] < cp::SLOW_CONTACT) {
                slop[pairs[k].a] = static_cast<std::uint16_t>(slop[pairs[k].a] | (1u << pairs[k].b));
            }
        }
        if (touched[thrown]) result.delivered_hit = true;
        for (int i = 0; i < cp::STONES; ++i) {
            if (!touched[i]) continue;
            const Vec2 v = bodies[i].v;
            const double speed = std::sqrt(v.x * v.x + v.y * v.y);
            RefStone& a = st[i];
            if (speed > 1e-9) {
                a.moving = true;
                a.v = speed;
                a.phi = std::atan2(v.y, v.x);
                a.rho = bodies[i].w / speed;
                a.s = bodies[i].w > 0.0 ? 1 : (bodies[i].w < 0.0 ? -1 : 0);
            } else {
                a.moving = false;
                a.v = 0.0;
            }
        }
    }
    // hog line rule
    if (d.active && !(d.y < cp::HOG_CLEAR_Y) && !result.delivered_hit) {
        d.active = false;
        d.removed = true;
    }
    for (int k = 0; k < cp::STONES; ++k) {
        if (st[k].active) {
            sheet.slot[k] = cp::Slot::IN_PLAY;
            sheet.pos[k] = Vec2{st[k].x, st[k].y};
        } else if (st[k].removed) {
            sheet.slot[k] = cp::Slot::REMOVED;
        }
    }
    return result;
}

}  // namespace physics_test
