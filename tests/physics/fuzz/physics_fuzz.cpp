// libFuzzer target for the four entry points: arbitrary records, shots,
// spreads, flags and limits. Every call must return with a sane record; a
// broken invariant aborts so the fuzzer keeps the input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "collision.h"
#include "curling_simulator.h"

namespace {

constexpr float TEE_X = 2.375f;
constexpr float TEE_Y = 4.88f;
constexpr double RELEASE_Y = 33.226;
constexpr double DECEL = 0.1575;  // m/s^2: the friction work per metre of path

[[noreturn]] void fail(const char* what, int k) {
    std::fprintf(stderr, "physics_fuzz: %s (slot %d)\n", what, k);
    std::abort();
}

bool is_empty(StonePosition p) { return p.x == 0.0f && p.y == 0.0f; }

// The library's own rule for a stone that takes part in a shot.
bool takes_part(StonePosition p) {
    if (is_empty(p) || !std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    const double u = static_cast<double>(p.x) - TEE_X;
    return std::fabs(u) < 2.375 - 0.145 && p.y >= 3.051 - 0.145 && p.y <= 41.459 + 0.145;
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    template <typename T>
    T take() {
        T v;
        std::memset(&v, 0, sizeof v);
        const std::size_t n = size < sizeof v ? size : sizeof v;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
};

void check_simulation(const GAMESTATE& before, ShotVector shot, float spread, std::uint32_t reserved,
                      std::int32_t limit) {
    GAMESTATE s;
    std::memcpy(&s, &before, sizeof s);
    const std::int32_t r = Simulation(&s, shot, spread, reserved, limit);
    if (r == 0 || r == -2) {
        if (std::memcmp(&s, &before, sizeof s) != 0) fail("a refused call changed the record", -1);
        if (r == 0 && before.shot_number >= 0 && before.shot_number <= 15 && reserved == 0)
            fail("a valid shot number was refused", -1);
        return;
    }
    if (r != 1 && r != 2) fail("unexpected return value", r);
    const int n = before.shot_number;
    if (n < 0 || n > 15 || reserved != 0) fail("played an invalid call", n);
    if (s.shot_number != n + 1) fail("shot_number not advanced", n);
    if (s.moving_side != (before.moving_side == 0 ? 1 : 0)) fail("moving_side not flipped", n);
    if (s.current_end != before.current_end || s.last_end != before.last_end ||
        std::memcmp(s.end_scores, before.end_scores, sizeof s.end_scores) != 0)
        fail("changed fields outside the stones", n);

    double moved = 0.0;  // path the stones in play must at least have slid
    for (int k = 0; k < 16; ++k) {
        const StonePosition a = before.stones[k];
        const StonePosition b = s.stones[k];
        const bool part = k == n || takes_part(a);
        if (!part) {
            if (std::memcmp(&a, &b, sizeof a) != 0) fail("a slot that takes no part changed", k);
            continue;
        }
        if (is_empty(b)) continue;  // removed
        if (!takes_part(b)) fail("a stone in play was left off the sheet or non-finite", k);
        if (r == 1 && k == n && !(b.y < 11.281 - 0.145)) {
            // only a stone that hit another may rest short of the hog line
            bool others = false;
            for (int j = 0; j < 16; ++j) others |= j != n && takes_part(before.stones[j]);
            if (!others) fail("the delivered stone rests short of the hog line on an empty sheet", k);
        }
        const double ax = k == n ? TEE_X : a.x;
        const double ay = k == n ? RELEASE_Y : a.y;
        moved += std::hypot(b.x - ax, b.y - ay);
    }

    // Energy never rises: the stones in play cannot have slid farther in
    // total than the delivered stone's energy (sliding and spinning) pays for.
    if (!(spread > 0.0f && std::isfinite(spread))) {
        double vx = shot.vx;
        double vy = shot.vy;
        if (!std::isfinite(vx) || !std::isfinite(vy)) vx = vy = 0.0;
        double v = std::hypot(vx, vy) * 0.1;
        if (v > 10.0) v = 10.0;
        const double spin = 0.44 * v;
        const double energy = 0.5 * v * v + 0.5 * (0.145 * 0.145 / 2.0) * spin * spin;  // per unit mass
        if (moved > energy / DECEL * (1.0 + 1e-6) + 1e-3) fail("stones slid farther than the shot's energy allows", n);
    }
}

void check_create_shot(ShotTarget target) {
    ShotVector out;
    const std::int32_t r = CreateShot(target, &out);
    if (r != 0 && r != 1) fail("CreateShot: unexpected return value", r);
    if (!std::isfinite(out.vx) || !std::isfinite(out.vy)) fail("CreateShot: non-finite shot", r);
    if (out.spin != (target.spin != 0 ? 1 : 0)) fail("CreateShot: spin not the target's", r);
    if (std::hypot(out.vx, out.vy) > 100.0 * (1.0 + 1e-6)) fail("CreateShot: faster than 100 units", r);
    // Either way the shot must draw into play on an empty sheet; when the
    // target was reachable, to within 1 cm of it.
    GAMESTATE s;
    std::memset(&s, 0, sizeof s);
    if (Simulation(&s, out, 0.0f, 0, -1) != 1) fail("CreateShot: its shot did not play to rest", r);
    const StonePosition p = s.stones[0];
    if (is_empty(p)) fail("CreateShot: its shot leaves play", r);
    if (r == 1 && std::hypot(p.x - target.x, p.y - target.y) > 0.01) fail("CreateShot: missed the target", r);
}

void check_create_hit_shot(ShotTarget target, float strength) {
    ShotVector out;
    const std::int32_t r = CreateHitShot(target, strength, &out);
    if (r != 0 && r != 1) fail("CreateHitShot: unexpected return value", r);
    if (!std::isfinite(out.vx) || !std::isfinite(out.vy)) fail("CreateHitShot: non-finite shot", r);
    if (out.spin != (target.spin != 0 ? 1 : 0)) fail("CreateHitShot: spin not the target's", r);
    if (std::hypot(out.vx, out.vy) > 100.0 * (1.0 + 1e-6)) fail("CreateHitShot: faster than 100 units", r);
    if (r == 1 && target.y < 11.0f && target.y > 3.2f && std::fabs(target.x - TEE_X) < 2.0f) {
        // a stone on the target point must be struck
        GAMESTATE s;
        std::memset(&s, 0, sizeof s);
        s.stones[1] = StonePosition{target.x, target.y};
        if (Simulation(&s, out, 0.0f, 0, -1) < 1) fail("CreateHitShot: its shot did not play", r);
        if (s.stones[1].x == target.x && s.stones[1].y == target.y) fail("CreateHitShot: missed the stone", r);
    }
}

// The impulse law on its own: any velocities, spins and contact normals
// (frozen clusters included) conserve momentum and never add energy.
void check_impulses(const GAMESTATE& raw) {
    namespace cp = curling::physics;
    constexpr int N = 6;
    cp::Body bodies[N];
    cp::ContactPair pairs[2 * N];
    int count = 0;
    for (int i = 0; i < N; ++i) {
        const float vx = raw.stones[i].x;
        const float vy = raw.stones[i].y;
        const float w = raw.stones[i + N].x;
        auto tame = [](float f, double top) {
            return std::isfinite(f) ? std::fmod(static_cast<double>(f), top) : 0.0;
        };
        bodies[i] = cp::Body{{tame(vx, 10.0), tame(vy, 10.0)}, tame(w, 20.0)};
        const float angle = raw.stones[i + N].y;
        const double a = std::isfinite(angle) ? static_cast<double>(angle) : 0.0;
        const int j = static_cast<int>(static_cast<std::uint32_t>(raw.end_scores[i % 10]) % N);
        if (j != i) pairs[count++] = cp::ContactPair{i, j, {std::cos(a), std::sin(a)}};
    }
    double p0x = 0.0, p0y = 0.0, e0 = 0.0;
    for (const cp::Body& b : bodies) {
        p0x += b.v.x;
        p0y += b.v.y;
        e0 += 0.5 * (b.v.x * b.v.x + b.v.y * b.v.y) + 0.25 * 0.145 * 0.145 * b.w * b.w;
    }
    bool touched[N] = {};
    cp::resolve_contacts(bodies, pairs, count, cp::ContactParams{}, touched, 512);
    double p1x = 0.0, p1y = 0.0, e1 = 0.0;
    for (const cp::Body& b : bodies) {
        p1x += b.v.x;
        p1y += b.v.y;
        e1 += 0.5 * (b.v.x * b.v.x + b.v.y * b.v.y) + 0.25 * 0.145 * 0.145 * b.w * b.w;
    }
    if (std::fabs(p1x - p0x) > 1e-9 || std::fabs(p1y - p0y) > 1e-9) fail("impulses: momentum not conserved", count);
    if (!(e1 <= e0 * (1.0 + 1e-12) + 1e-12)) fail("impulses: energy rose", count);
}

// An independent count of the end's score by the rules.
int reference_score(const GAMESTATE& s) {
    float d2[16];
    bool in[16];
    int side[16];
    const int mover = s.moving_side != 0 ? 1 : 0;
    for (int k = 0; k < 16; ++k) {
        const float dx = s.stones[k].x - TEE_X;
        const float dy = s.stones[k].y - TEE_Y;
        d2[k] = dy * dy + dx * dx;
        in[k] = d2[k] < 3.900625f;
        side[k] = (k % 2 == static_cast<int>(static_cast<std::uint32_t>(s.shot_number) % 2)) ? mover : 1 - mover;
    }
    int nearest = -1;
    for (int k = 0; k < 16; ++k)
        if (in[k] && (nearest < 0 || d2[k] < d2[nearest])) nearest = k;
    if (nearest < 0) return 0;
    const int scorer = side[nearest];
    float other = 3.900625f;
    for (int k = 0; k < 16; ++k)
        if (in[k] && side[k] != scorer && d2[k] < other) other = d2[k];
    int count = 0;
    for (int k = 0; k < 16; ++k)
        if (in[k] && side[k] == scorer && d2[k] < other) ++count;
    return scorer == 0 ? count : -count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const std::uint8_t mode = in.take<std::uint8_t>();
    GAMESTATE state = in.take<GAMESTATE>();
    const ShotVector raw_shot = in.take<ShotVector>();
    const float spread = in.take<float>();
    std::uint32_t reserved = in.take<std::uint32_t>();
    std::int32_t limit = in.take<std::int32_t>();
    const float strength = in.take<float>();
    // Most calls use the values the player passes, so the fuzzer spends its
    // time inside the simulation rather than on refused calls.
    if ((mode & 1) == 0) reserved = 0;
    if ((mode & 2) == 0) limit = -1;
    if ((mode & 4) == 0) state.shot_number = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.shot_number) % 16);
    // Raw bytes seldom make a float on the sheet: half the time, map each
    // slot's bits onto the house and its surroundings (crowded, overlapping,
    // frozen by chance), leaving a slot empty or garbage now and then.
    if ((mode & 8) != 0) {
        for (int k = 0; k < 16; ++k) {
            StonePosition& p = state.stones[k];
            std::uint32_t bx;
            std::uint32_t by;
            std::memcpy(&bx, &p.x, 4);
            std::memcpy(&by, &p.y, 4);
            if ((bx >> 28) == 0xF) continue;  // keep the raw bits
            if ((bx >> 28) == 0xE) {
                p = StonePosition{0.0f, 0.0f};
                continue;
            }
            const float hair = 1e-7f * static_cast<float>(by & 0xFFu);  // 0 to 25 micrometres
            if ((bx >> 28) == 0xD) {  // on an edge of play, a hair inside or out
                const float sign = (by & 0x100u) != 0 ? 1.0f : -1.0f;
                const float along = 3.0f + 8.0f * static_cast<float>(bx & 0xFFFFu) / 65535.0f;
                switch ((by >> 9) & 3u) {
                    case 0: p = StonePosition{0.145f + sign * hair, along}; break;
                    case 1: p = StonePosition{4.605f - sign * hair, along}; break;
                    case 2: p = StonePosition{0.3f + 4.15f * (along - 3.0f) / 8.0f, 2.906f + sign * hair}; break;
                    default: p = StonePosition{2.375f, 4.88f + 1.975f * sign - sign * hair}; break;
                }
                continue;
            }
            if ((bx >> 28) == 0xC && k > 0) {  // touching (or a hair off) the stone before it
                const float angle = 6.2831853f * static_cast<float>(bx & 0xFFFFu) / 65535.0f;
                const float gap = (by & 0x100u) != 0 ? hair : -hair;
                const StonePosition q = state.stones[k - 1];
                p = StonePosition{q.x + (0.29f + gap) * std::cos(angle), q.y + (0.29f + gap) * std::sin(angle)};
                continue;
            }
            const float fx = static_cast<float>(bx & 0xFFFFFu) / 1048575.0f;
            const float fy = static_cast<float>(by & 0xFFFFFu) / 1048575.0f;
            p = StonePosition{0.1f + 4.55f * fx, 2.8f + 9.0f * fy};
        }
    }
    ShotVector shot = raw_shot;
    if ((mode & 16) != 0) {
        std::uint32_t bx;
        std::uint32_t by;
        std::memcpy(&bx, &raw_shot.vx, 4);
        std::memcpy(&by, &raw_shot.vy, 4);
        shot.vx = -4.0f + 8.0f * static_cast<float>(bx & 0xFFFFu) / 65535.0f;
        shot.vy = -50.0f + 22.0f * static_cast<float>(by & 0xFFFFu) / 65535.0f;
    }

    if ((mode & 128) != 0) {
        // aimed at a stone, at a strength from a touch to a hard takeout
        std::uint32_t bits;
        std::memcpy(&bits, &strength, 4);
        const StonePosition aim = state.stones[(bits >> 16) & 15u];
        ShotVector made;
        if (CreateHitShot(ShotTarget{aim.x, aim.y, raw_shot.spin}, 40.0f * static_cast<float>(bits & 0xFFFFu) / 65535.0f,
                          &made) >= 0)
            shot = made;
    }
    check_simulation(state, shot, spread, reserved, limit);
    if ((mode & 32) != 0 && reserved == 0 && limit < 0 && !(spread > 0.0f)) {
        // the picture of a shot ends where Simulation leaves it
        StonePosition frames[16 * 8];
        const std::int32_t written = SimulateTrajectory(&state, shot, spread, 0, 0.5f, frames, 8);
        GAMESTATE s;
        std::memcpy(&s, &state, sizeof s);
        const std::int32_t r = Simulation(&s, shot, spread, 0, -1);
        if (r == 0 ? written != 0 : (written < 1 || written > 8)) fail("SimulateTrajectory: frame count", written);
        if (r != 0 && std::memcmp(frames + 16 * (written - 1), s.stones, sizeof s.stones) != 0)
            fail("SimulateTrajectory: last frame is not Simulation's result", written);
    }
    check_impulses(state);
    const int score = GetScore(&state);
    if (score != reference_score(state)) fail("GetScore disagrees with the rules", score);
    if (GetScore(nullptr) != 0) fail("GetScore of null", 0);
    if (Simulation(nullptr, shot, spread, 0, -1) != -1) fail("Simulation of null", 0);
    const ShotTarget target{state.stones[0].x, state.stones[0].y, shot.spin};
    check_create_shot(target);
    check_create_hit_shot(target, strength);
    return 0;
}
