#include "support.h"

#include <cmath>
#include <cstring>

#include "sheet_io.h"

namespace physics_test {

namespace cp = curling::physics;

GAMESTATE empty_state(int shot_number) {
    GAMESTATE s;
    std::memset(&s, 0, sizeof s);
    s.shot_number = shot_number;
    s.last_end = 9;
    return s;
}

StonePosition play_alone(ShotVector shot) {
    GAMESTATE s = empty_state(0);
    Simulation(&s, shot, 0.0f, 0, -1);
    return s.stones[0];
}

float vx_to_centre(float vy, std::uint8_t spin) {
    // spin 0 curls toward +x: the more vx, the farther right it ends
    float lo = -4.0f;
    float hi = 4.0f;
    for (int it = 0; it < 60; ++it) {
        const float mid = 0.5f * (lo + hi);
        const StonePosition p = play_alone(ShotVector{mid, vy, spin});
        if (p.x > 2.375f) hi = mid;
        else lo = mid;
    }
    return 0.5f * (lo + hi);
}

cp::Sheet empty_sheet() {
    cp::Sheet s{};
    for (int k = 0; k < cp::STONES; ++k) {
        s.slot[k] = cp::Slot::ABSENT;
        s.pos[k] = Vec2{0.0, 0.0};
        s.removal[k] = cp::Removal::NONE;
    }
    return s;
}

Vec2 straight_velocity_to(Vec2 rest) {
    const Vec2 d{rest.x, rest.y - cp::RELEASE_Y};
    const double len = std::sqrt(d.x * d.x + d.y * d.y);
    const double v0 = std::sqrt(2.0 * cp::DECEL * len);
    return Vec2{v0 * d.x / len, v0 * d.y / len};
}

std::vector<Case> determinism_cases() {
    std::vector<Case> out;
    const float vys[] = {-48.78f, -40.0f, -33.7419f, -32.007206f, -30.680676f, -29.96639f, -29.048021f, -28.0f};
    // empty sheet
    for (float vy : vys) {
        for (int i = 0; i < 7; ++i) {
            for (std::uint8_t spin = 0; spin < 2; ++spin) {
                out.push_back({empty_state(0), ShotVector{-3.0f + i, vy, spin}});
            }
        }
    }
    // a busy house: guards, frozen stones, stones in the rings
    GAMESTATE busy = empty_state(15);
    const StonePosition stones[15] = {
        {2.375f, 4.88f},  {2.375f, 5.17f},  {2.0f, 4.2f},     {2.9f, 5.6f},    {1.6f, 6.1f},
        {3.1f, 4.0f},     {2.375f, 8.2f},   {2.1f, 9.0f},     {2.8f, 7.4f},    {1.2f, 4.9f},
        {3.6f, 5.3f},     {2.375f, 3.4f},   {2.665f, 4.88f},  {2.0f, 6.8f},    {3.3f, 6.5f}};
    for (int k = 0; k < 15; ++k) busy.stones[k] = stones[k];
    for (float vy : vys) {
        for (int i = 0; i < 13; ++i) {
            for (std::uint8_t spin = 0; spin < 2; ++spin) {
                out.push_back({busy, ShotVector{-3.0f + 0.5f * i, vy, spin}});
            }
        }
    }
    // hits made by the shot makers
    for (int k = 0; k < 15; ++k) {
        for (std::uint8_t spin = 0; spin < 2; ++spin) {
            ShotVector hit{};
            CreateHitShot(ShotTarget{stones[k].x, stones[k].y, spin}, 16.0f, &hit);
            out.push_back({busy, hit});
            ShotVector draw{};
            CreateShot(ShotTarget{stones[k].x + 0.3f, stones[k].y + 0.3f, spin}, &draw);
            out.push_back({busy, draw});
        }
    }
    return out;
}

GAMESTATE crowded_house(Rng& rng, int stones) {
    if (stones > 15) stones = 15;
    GAMESTATE h = empty_state(stones);
    for (int k = 0; k < stones;) {
        StonePosition p{static_cast<float>(rng.uniform(0.6, 4.15)), static_cast<float>(rng.uniform(3.0, 8.0))};
        if (k > 0 && rng.uniform(0.0, 1.0) < 0.4) {
            const StonePosition q = h.stones[rng.next() % static_cast<std::uint64_t>(k)];
            const double a = rng.uniform(0.0, 6.283185307179586);
            p = StonePosition{q.x + static_cast<float>(0.29 * std::cos(a)), q.y + static_cast<float>(0.29 * std::sin(a))};
        }
        bool clear = p.x > 0.2f && p.x < 4.55f && p.y > 3.0f && p.y < 11.0f;
        for (int j = 0; j < k && clear; ++j) {
            clear = std::hypot(p.x - h.stones[j].x, p.y - h.stones[j].y) >= 0.2899f;
        }
        if (clear) h.stones[k++] = p;
    }
    return h;
}

ShotVector crowded_shot(Rng& rng, const GAMESTATE& house) {
    const auto spin = static_cast<std::uint8_t>(rng.next() & 1);
    const int stones = house.shot_number;
    if (stones > 0 && rng.uniform(0.0, 1.0) < 0.7) {
        const StonePosition aim = house.stones[rng.next() % static_cast<std::uint64_t>(stones)];
        const float offset = static_cast<float>(rng.uniform(-0.2, 0.2));
        ShotVector hit{};
        CreateHitShot(ShotTarget{aim.x + offset, aim.y, spin}, static_cast<float>(rng.uniform(0.0, 30.0)), &hit);
        return hit;
    }
    return ShotVector{static_cast<float>(rng.uniform(-3.5, 3.5)), static_cast<float>(rng.uniform(-48.78, -29.0)),
                      spin};
}

std::uint64_t determinism_hash(const std::vector<Case>& cases) {
    std::uint64_t h = 1469598103934665603ULL;
    auto feed = [&h](const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) {
            h ^= p[i];
            h *= 1099511628211ULL;
        }
    };
    for (const Case& c : cases) {
        GAMESTATE s = c.state;
        const std::int32_t r = Simulation(&s, c.shot, 0.0f, 0, -1);
        feed(&r, sizeof r);
        feed(s.stones, sizeof s.stones);
        feed(&s.shot_number, sizeof s.shot_number);
        feed(&s.moving_side, sizeof s.moving_side);
    }
    return h;
}

curling::physics::Motion delivery(ShotVector shot) {
    curling::physics::Motion m;
    curling::physics::make_motion(m, curling::physics::Vec2{0.0, curling::physics::RELEASE_Y},
                                  curling::physics::Vec2{shot.vx * 0.1, shot.vy * 0.1},
                                  shot.spin == 0 ? 1.0 : -1.0, 0.0);
    return m;
}

}  // namespace physics_test
