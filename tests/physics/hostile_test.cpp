// Hostile inputs: every call returns, with sane records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curling_simulator.h"
#include "sheet_io.h"
#include "support.h"

using namespace physics_test;

namespace {

// Runs a Simulation and checks it came back (played, or cut at the event
// bound that keeps every call's work finite) and left only finite positions
// or empty slots in the slots that took part.
void expect_sane(GAMESTATE s, ShotVector shot, float spread = 0.0f) {
    const int32_t r = Simulation(&s, shot, spread, 0, -1);
    EXPECT_TRUE(r == 1 || r == 2) << r;
    const StonePosition p = s.stones[s.shot_number - 1];
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

}  // namespace

TEST(PhysicsHostile, NonFiniteAndHugeShots) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float big = std::numeric_limits<float>::max();
    const float tiny = std::numeric_limits<float>::denorm_min();
    GAMESTATE busy = empty_state(8);
    for (int k = 0; k < 8; ++k) busy.stones[k] = StonePosition{1.5f + 0.25f * k, 4.0f + 0.3f * k};
    for (const ShotVector& shot :
         {ShotVector{nan, -30.0f, 0}, ShotVector{0.0f, nan, 1}, ShotVector{inf, -inf, 0}, ShotVector{-inf, 0.0f, 1},
          ShotVector{big, -big, 0}, ShotVector{0.0f, -1e20f, 1}, ShotVector{0.0f, -1000.0f, 0},
          ShotVector{3.0f, 1000.0f, 1}, ShotVector{tiny, -tiny, 0}, ShotVector{0.0f, 0.0f, 0},
          ShotVector{0.0f, 30.0f, 0}, ShotVector{-100.0f, -1.0f, 1}, ShotVector{0.0f, -30.0f, 255}}) {
        expect_sane(empty_state(0), shot);
        expect_sane(busy, shot);
    }
    // a NaN or infinite shot is a shot of speed 0: removed short of the hog line
    GAMESTATE s = empty_state(0);
    EXPECT_EQ(Simulation(&s, ShotVector{nan, -30.0f, 0}, 0.0f, 0, -1), 1);
    EXPECT_EQ(s.stones[0].x, 0.0f);
    EXPECT_EQ(s.stones[0].y, 0.0f);
    EXPECT_EQ(s.shot_number, 1);
    // a huge speed is slowed to 100 units: a takeout that leaves play
    GAMESTATE h = empty_state(0);
    EXPECT_EQ(Simulation(&h, ShotVector{0.0f, -1e30f, 0}, 0.0f, 0, -1), 1);
    EXPECT_EQ(h.stones[0].y, 0.0f);
}

TEST(PhysicsHostile, NonFiniteAndHugeSpread) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float spread : {nan, inf, -inf, 1e30f, 1e6f, -1.0f}) {
        expect_sane(empty_state(0), ShotVector{-1.08f, -29.9f, 0}, spread);
    }
}

TEST(PhysicsHostile, CrowdedOverlappingAndFrozenStones) {
    // all sixteen slots at one point (the thrown one included)
    GAMESTATE same = empty_state(15);
    for (auto& p : same.stones) p = StonePosition{2.375f, 4.88f};
    expect_sane(same, ShotVector{0.0f, -40.0f, 0});
    // overlapping stones in the house
    GAMESTATE overlap = empty_state(12);
    for (int k = 0; k < 12; ++k) overlap.stones[k] = StonePosition{2.2f + 0.03f * k, 4.7f + 0.02f * k};
    for (float vx = -2.0f; vx <= 2.0f; vx += 0.5f) expect_sane(overlap, ShotVector{vx, -40.0f, 1});
    // a stone lying on the release point and one just ahead of it
    GAMESTATE release = empty_state(2);
    release.stones[0] = StonePosition{2.375f, 33.226f};
    release.stones[1] = StonePosition{2.375f, 32.95f};
    expect_sane(release, ShotVector{0.0f, -30.0f, 0});
    // a rack of frozen stones, hit hard
    GAMESTATE rack = empty_state(15);
    int k = 0;
    for (int row = 0; row < 5 && k < 15; ++row) {
        for (int col = 0; col <= row && k < 15; ++col, ++k) {
            rack.stones[k] = StonePosition{static_cast<float>(2.375 + (col - 0.5 * row) * 0.29),
                                           static_cast<float>(6.0 - row * 0.29 * 0.8660254)};
        }
    }
    for (float vx = -2.0f; vx <= 2.0f; vx += 0.25f) {
        expect_sane(rack, ShotVector{vx, -48.78f, 0});
        expect_sane(rack, ShotVector{vx, -100.0f, 1});
    }
}

TEST(PhysicsHostile, GarbageRecords) {
    Rng rng(99);
    const int n = cases(3000, 1000);
    for (int i = 0; i < n; ++i) {
        GAMESTATE s;
        auto* bytes = reinterpret_cast<unsigned char*>(&s);
        for (std::size_t b = 0; b < sizeof s; ++b) bytes[b] = static_cast<unsigned char>(rng.next());
        s.shot_number = static_cast<int32_t>(rng.next() % 20) - 2;
        ShotVector shot;
        auto* sb = reinterpret_cast<unsigned char*>(&shot);
        for (std::size_t b = 0; b < sizeof shot; ++b) sb[b] = static_cast<unsigned char>(rng.next());
        GAMESTATE copy = s;
        const int32_t r = Simulation(&copy, shot, 0.0f, 0, -1);
        EXPECT_TRUE(r == 0 || r == 1 || r == 2);
        (void)GetScore(&copy);
        ShotVector out{};
        const ShotTarget t{s.stones[0].x, s.stones[0].y, shot.spin};
        const int32_t c = CreateShot(t, &out);
        EXPECT_TRUE(c == 0 || c == 1);
        EXPECT_TRUE(std::isfinite(out.vx) && std::isfinite(out.vy));
        const int32_t h = CreateHitShot(t, shot.vx, &out);
        EXPECT_TRUE(h == 0 || h == 1);
        EXPECT_TRUE(std::isfinite(out.vx) && std::isfinite(out.vy));
    }
}

TEST(PhysicsHostile, RandomCrowdsOfStonesComeToRest) {
    // random positions (in play, possibly overlapping) and random shots
    Rng rng(5);
    const int n = cases(2000, 500);
    for (int i = 0; i < n; ++i) {
        GAMESTATE s = empty_state(15);
        for (int k = 0; k < 15; ++k) {
            s.stones[k] = StonePosition{static_cast<float>(rng.uniform(0.2, 4.55)),
                                        static_cast<float>(rng.uniform(2.95, 12.0))};
        }
        const ShotVector shot{static_cast<float>(rng.uniform(-4, 4)), static_cast<float>(rng.uniform(-60, -25)),
                              static_cast<std::uint8_t>(rng.next() & 1)};
        expect_sane(s, shot);
    }
}

TEST(PhysicsHostile, SweepsIntoCrowdedHousesAlwaysComeToRest) {
    // The player's sweep rows into random houses of 15 stones (clear of each
    // other, or overlapping as a hostile caller might lay them): every shot
    // comes to rest well within the event bound (no Zeno cascade of ever
    // shorter bounces when a stone curls into a resting one).
    Rng rng(77);
    const float rows[] = {-48.78f, -40.0f, -32.007206f, -30.272512f, -29.5582256f};
    const int houses = cases(40, 8);
    int shots = 0;
    for (int h = 0; h < houses; ++h) {
        const bool overlap = (h & 1) != 0;
        GAMESTATE s = empty_state(15);
        for (int k = 0; k < 15;) {
            const StonePosition p{static_cast<float>(rng.uniform(1.0, 3.75)), static_cast<float>(rng.uniform(3.2, 9.0))};
            bool clear = true;
            for (int j = 0; j < k && !overlap; ++j) {
                clear &= std::hypot(p.x - s.stones[j].x, p.y - s.stones[j].y) > 0.29f;
            }
            if (clear) s.stones[k++] = p;
        }
        for (float vy : rows) {
            for (int i = 0; i < 280; i += 7) {
                for (std::uint8_t spin = 0; spin < 2; ++spin) {
                    GAMESTATE c = s;
                    const float vx = -3.5f + 7.0f * static_cast<float>(i) / 279.0f;
                    ASSERT_EQ(Simulation(&c, ShotVector{vx, vy, spin}, 0.0f, 0, -1), 1)
                        << "house " << h << " vx " << vx << " vy " << vy << " spin " << int(spin);
                    ++shots;
                }
            }
        }
    }
    EXPECT_GT(shots, 0);
}

TEST(PhysicsHostile, OverlappingStonesPassThroughEachOtherUntilApart) {
    // A house in which stones 1 and 11 overlap by 4.4 cm: struck, stone 11
    // slides out of stone 1 instead of bouncing inside it without end.
    const float xy[30] = {0x1.6f54dcp+1f, 0x1.aa0926p+2f, 0x1.6cab86p+1f, 0x1.17546ap+3f, 0x1.5260e4p+0f,
                          0x1.77c38p+2f,  0x1.fd8db8p+0f, 0x1.73c2bcp+2f, 0x1.39fa4p+1f,  0x1.57a972p+2f,
                          0x1.6f89b2p+1f, 0x1.94d96cp+2f, 0x1.11c6fp+1f,  0x1.50a69ap+2f, 0x1.575f02p+1f,
                          0x1.06a4ccp+3f, 0x1.ab0d5cp+1f, 0x1.7b6066p+2f, 0x1.afa904p+1f, 0x1.5f4448p+2f,
                          0x1.be52p+1f,   0x1.aad3f6p+1f, 0x1.8bc482p+1f, 0x1.188f2p+3f,  0x1.214a1ep+1f,
                          0x1.6c503cp+2f, 0x1.cf6e84p+0f, 0x1.384a72p+2f, 0x1.a11306p+1f, 0x1.d4c99ep+1f};
    GAMESTATE s = empty_state(15);
    for (int k = 0; k < 15; ++k) s.stones[k] = StonePosition{xy[2 * k], xy[2 * k + 1]};
    const ShotVector shot{0x1.94a53p-1f, -32.0f, 0};
    GAMESTATE c = s;
    EXPECT_EQ(Simulation(&c, shot, 0.0f, 0, -1), 1);
    namespace cp = curling::physics;
    cp::Sheet sheet;
    cp::load_sheet(s, false, sheet);
    const cp::RunResult r = cp::run_shot(sheet, 15, cp::Vec2{shot.vx * 0.1, shot.vy * 0.1}, 1, cp::RunOptions{});
    EXPECT_FALSE(r.cut_short);
    EXPECT_LT(r.events, 100);
}

TEST(PhysicsHostile, StonesPressedAgainstARestingStoneSlideToRest) {
    namespace cp = curling::physics;
    // A line of three frozen stones by the side line, struck on its end: the
    // end stone, slowed to a few cm/s, curls back into its resting neighbour
    // and slides along it. Bounced off it instead, it took thousands of ever
    // smaller impulses and ran out of events with stones still moving.
    GAMESTATE s = empty_state(3);
    s.stones[0] = StonePosition{0x1.09c49ep+2f, 0x1.6c07aap+3f};
    s.stones[1] = StonePosition{0x1.0b3f22p+2f, 0x1.62c76p+3f};
    s.stones[2] = StonePosition{0x1.0cba1ap+2f, 0x1.59871ap+3f};
    const ShotVector shot{0x1.144ebcp+0f, -0x1.a4793ep+4f, 0};
    GAMESTATE c = s;
    EXPECT_EQ(Simulation(&c, shot, 0.0f, 0, -1), 1);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(cp::takes_part(c.stones[k])) << k;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {  // resting against each other at most, never inside
            EXPECT_GT(std::hypot(c.stones[i].x - c.stones[j].x, c.stones[i].y - c.stones[j].y), 0.2898f) << i << j;
        }
    }
    cp::Sheet sheet;
    cp::load_sheet(s, false, sheet);
    const cp::RunResult r = cp::run_shot(sheet, 3, cp::Vec2{shot.vx * 0.1, shot.vy * 0.1}, 1, cp::RunOptions{});
    EXPECT_FALSE(r.cut_short);
    EXPECT_LT(r.events, 100);

    // Hits at every strength on stones of crowded houses, four in ten of
    // them frozen to another.
    Rng rng(2024);
    const int n = cases(3000, 300);
    int cut_short = 0;
    for (int i = 0; i < n; ++i) {
        const int stones = 4 + i % 10;
        GAMESTATE h = empty_state(stones);
        for (int k = 0; k < stones;) {
            StonePosition p{static_cast<float>(rng.uniform(0.6, 4.15)), static_cast<float>(rng.uniform(3.0, 8.0))};
            if (k > 0 && rng.uniform(0.0, 1.0) < 0.4) {
                const StonePosition q = h.stones[rng.next() % static_cast<std::uint64_t>(k)];
                const double a = rng.uniform(0.0, 6.283185307);
                p = StonePosition{q.x + static_cast<float>(0.29 * std::cos(a)), q.y + static_cast<float>(0.29 * std::sin(a))};
            }
            bool clear = p.x > 0.2f && p.x < 4.55f && p.y > 3.0f && p.y < 11.0f;
            for (int j = 0; j < k && clear; ++j) {
                clear = std::hypot(p.x - h.stones[j].x, p.y - h.stones[j].y) >= 0.2899f;
            }
            if (clear) h.stones[k++] = p;
        }
        const StonePosition aim = h.stones[rng.next() % static_cast<std::uint64_t>(stones)];
        ShotVector hit{};
        CreateHitShot(ShotTarget{aim.x, aim.y, static_cast<std::uint8_t>(i & 1)},
                      static_cast<float>(rng.uniform(0.0, 30.0)), &hit);
        if (Simulation(&h, hit, 0.0f, 0, -1) != 1) ++cut_short;
    }
    // Two stones both moving and pressed together can still exhaust the
    // event bound; that is far rarer.
    EXPECT_LE(cut_short, n / 1000 + 1) << cut_short << " of " << n;
}
