// Hostile inputs: every call returns, with sane records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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
    EXPECT_EQ(cut_short, 0) << cut_short << " of " << n;
}

TEST(PhysicsHostile, StonesPressedTogetherWhileMovingComeToRestInAFewEvents) {
    namespace cp = curling::physics;
    // Shots into crowded houses in which two stones still moving pressed
    // against each other: bounced apart, they took thousands of ever smaller
    // impulses and ran out of events with stones still moving (Simulation
    // returned 2 after 2 to 20 ms).
    struct Pressed {
        ShotVector shot;
        std::vector<StonePosition> stones;
    };
    const Pressed cases[] = {
        // two moving stones, the faster pressing the slower along
        {{0x1.a970c6p-3f, -0x1.1c96acp+5f, 1},
         {{0x1.7b9f3ep+0f, 0x1.9f8bc2p+2f}, {0x1.78339p+0f, 0x1.e1be58p+1f}, {0x1.a85e7cp+0f, 0x1.90bc74p+2f}, {0x1.7df59p+1f, 0x1.8b1b2p+1f}, {0x1.b8c97p+1f, 0x1.8e8cc6p+1f}, {0x1.27dc64p+1f, 0x1.85ff9p+2f}, {0x1.be21bap+0f, 0x1.14f48ap+2f}, {0x1.2d7c7p+1f, 0x1.73a714p+2f}}},
        // a cluster: one stone pressing two slow ones
        {{-0x1.78c4cap-2f, -0x1.ef666ap+4f, 0},
         {{0x1.06685cp+1f, 0x1.2b07bcp+2f}, {0x1.e92606p+0f, 0x1.3b4ed8p+2f}, {0x1.a1f2dap+0f, 0x1.360d16p+2f}, {0x1.0b91cap+1f, 0x1.18a68ap+2f}, {0x1.2ff958p+1f, 0x1.1c46ecp+2f}, {0x1.a63e3p+0f, 0x1.48947ep+2f}, {0x1.5396dcp+1f, 0x1.218202p+2f}, {0x1.1892b2p+1f, 0x1.3fd5dp+2f}, {0x1.ebbba4p+0f, 0x1.0997e8p+2f}, {0x1.8c2db4p+0f, 0x1.244e9ap+2f}, {0x1.82564ep+1f, 0x1.ceca38p+2f}, {0x1.a96fd2p+1f, 0x1.666318p+2f}, {0x1.0a0634p+0f, 0x1.3bb46p+2f}, {0x1.f88d1cp+0f, 0x1.4d76d2p+2f}}},
        // a stone pressing a resting one whose slide along it another stone blocks
        {{0x1.454e68p+0f, -0x1.01d20ap+5f, 1},
         {{0x1.508b2ap+1f, 0x1.634a9cp+2f}, {0x1.e563eep+1f, 0x1.d18192p+2f}, {0x1.8cebb8p+1f, 0x1.0651dp+2f}, {0x1.74ddp+1f, 0x1.5f754cp+2f}, {0x1.942decp+0f, 0x1.4ea078p+2f}, {0x1.05cd96p+1f, 0x1.ccd9bp+2f}, {0x1.4e732ap+1f, 0x1.75d268p+2f}, {0x1.477aecp+1f, 0x1.514b0ep+2f}, {0x1.7b3e1ep+1f, 0x1.c5ff96p+1f}, {0x1.9d901cp+0f, 0x1.258d0ep+2f}, {0x1.e14df8p+1f, 0x1.af706cp+1f}, {0x1.683f74p+0f, 0x1.32778p+2f}}},
        // a stone pressing a slow one, curling away from it
        {{0x1.318058p-1f, -0x1.34cdcep+5f, 0},
         {{0x1.935e78p+0f, 0x1.7baa8p+2f}, {0x1.b0848ap+1f, 0x1.1cda58p+2f}, {0x1.8d8986p+1f, 0x1.23101cp+2f}, {0x1.869b52p+1f, 0x1.354becp+2f}, {0x1.14bbd4p+0f, 0x1.70ba8p+2f}, {0x1.e77a58p-1f, 0x1.e4b2d2p+2f}}},
        // pressing a slow stone, then sliding along it
        {{0x1.d6de38p-2f, -0x1.10cf18p+5f, 0},
         {{0x1.9a7192p+1f, 0x1.30857ep+2f}, {0x1.4616c6p+1f, 0x1.5f4eaep+2f}, {0x1.a9743ap+1f, 0x1.1f8beep+2f}, {0x1.ba2c14p+1f, 0x1.0ef9bep+2f}, {0x1.ceb9c6p+1f, 0x1.dc8b8ep+2f}, {0x1.aaaef4p+1f, 0x1.d81af2p+2f}, {0x1.83f16p-1f, 0x1.b812ep+2f}}},
        // a hit by the side line: pressed stones by the edge of play
        {{0x1.7ddd7cp+1f, -0x1.e20124p+4f, 1},
         {{0x1.09601ap+2f, 0x1.988204p+2f}, {0x1.1bc728p+2f, 0x1.9aeb9ap+2f}, {0x1.8e95e4p-1f, 0x1.e6ca72p+2f}, {0x1.89e4f4p+1f, 0x1.d3e852p+2f}, {0x1.1cc552p+2f, 0x1.88630cp+2f}, {0x1.1ebf5cp+2f, 0x1.75eeb6p+2f}}},
    };
    for (const Pressed& c : cases) {
        const int n = static_cast<int>(c.stones.size());
        GAMESTATE s = empty_state(n);
        for (int k = 0; k < n; ++k) s.stones[k] = c.stones[k];
        GAMESTATE played = s;
        EXPECT_EQ(Simulation(&played, c.shot, 0.0f, 0, -1), 1) << n << " stones";
        for (int i = 0; i <= n; ++i) {
            if (!cp::takes_part(played.stones[i])) continue;
            for (int j = i + 1; j <= n; ++j) {  // resting against each other at most, never inside
                if (!cp::takes_part(played.stones[j])) continue;
                const double d = std::hypot(played.stones[i].x - played.stones[j].x, played.stones[i].y - played.stones[j].y);
                EXPECT_GT(d, 0.2898) << n << " stones: " << i << " " << j;
            }
        }
        const bool mirror = c.shot.spin != 0;
        cp::Sheet sheet;
        cp::load_sheet(s, mirror, sheet);
        const cp::Vec2 vel{(mirror ? -0.1 : 0.1) * c.shot.vx, 0.1 * c.shot.vy};
        const cp::RunResult r = cp::run_shot(sheet, n, vel, 1, cp::RunOptions{});
        EXPECT_FALSE(r.cut_short) << n << " stones";
        EXPECT_LT(r.events, 200) << n << " stones";
        EXPECT_GT(r.pressed, 0) << n << " stones";
    }
}
