// The fast path against the reference fixed-step integrator (reference.h):
// the same final positions within 1 mm on a few hundred varied shots,
// collisions included, and on hits into crowded houses that set several
// stones moving at once (where the broad phase must not skip a pair that
// the travel of either stone could bring together).
#include <gtest/gtest.h>

#include <cmath>

#include "engine.h"
#include "sheet_io.h"
#include "reference.h"
#include "shots.h"
#include "support.h"

using namespace physics_test;
namespace cp = curling::physics;
using cp::Vec2;

namespace {

cp::Sheet random_house(Rng& rng, int stones) {
    cp::Sheet sheet = empty_sheet();
    int placed = 0;
    for (int attempt = 0; attempt < 1000 && placed < stones; ++attempt) {
        const Vec2 p{rng.uniform(-1.9, 1.9), rng.uniform(3.2, 9.5)};
        bool clear = true;
        for (int k = 0; k < placed; ++k) {
            const double d = std::hypot(p.x - sheet.pos[k].x, p.y - sheet.pos[k].y);
            if (d < 2.0 * cp::STONE_RADIUS + 0.005) clear = false;
        }
        if (!clear) continue;
        // stone positions go through 32-bit floats in real use
        sheet.pos[placed] = Vec2{static_cast<float>(p.x), static_cast<float>(p.y)};
        sheet.slot[placed] = cp::Slot::IN_PLAY;
        ++placed;
    }
    return sheet;
}

// Largest distance between the two results' stones 0..last (both in play),
// or +inf when a stone is in play in one and not in the other.
double largest_difference(const cp::Sheet& a, const cp::Sheet& b, int last) {
    double worst = 0.0;
    for (int k = 0; k <= last; ++k) {
        if (a.slot[k] != b.slot[k]) return INFINITY;
        if (a.slot[k] != cp::Slot::IN_PLAY) continue;
        worst = std::fmax(worst, std::hypot(a.pos[k].x - b.pos[k].x, a.pos[k].y - b.pos[k].y));
    }
    return worst;
}

}  // namespace

TEST(PhysicsAgreement, FastPathMatchesTheFixedStepReferenceWithin1mm) {
    Rng rng(2024);
    const int n = cases(300, 100);
    int with_contacts = 0;
    int multi_contacts = 0;
    double worst = 0.0;
    for (int i = 0; i < n; ++i) {
        const int stones = static_cast<int>(rng.next() % 15);
        cp::Sheet sheet = random_house(rng, stones);
        const int s = (rng.next() & 1) ? 1 : -1;
        Vec2 vel;
        const int kind = static_cast<int>(rng.next() % 3);
        if (kind == 0 || stones == 0) {
            // a draw somewhere
            vel = cp::solve_draw(Vec2{rng.uniform(-1.8, 1.8), rng.uniform(3.5, 10.5)}, s).vel;
        } else {
            // a hit at a stone, full or thin, soft or hard
            const Vec2 t = sheet.pos[rng.next() % static_cast<std::uint64_t>(stones)];
            vel = cp::solve_hit(Vec2{t.x + rng.uniform(-0.25, 0.25), t.y}, rng.uniform(0.3, 3.0), s).vel;
        }
        const int thrown = stones;
        cp::Sheet fast = sheet;
        cp::Sheet ref = sheet;
        const cp::RunResult r = cp::run_shot(fast, thrown, vel, s, cp::RunOptions{});
        const ReferenceResult rr = reference_shot(ref, thrown, vel, s, 1e-3);
        if (rr.contacts > 0) ++with_contacts;
        if (rr.contacts > 1) ++multi_contacts;
        EXPECT_EQ(r.delivered_hit, rr.delivered_hit) << "case " << i;
        for (int k = 0; k <= thrown; ++k) {
            ASSERT_EQ(fast.slot[k], ref.slot[k]) << "case " << i << " stone " << k;
            if (fast.slot[k] != cp::Slot::IN_PLAY) continue;
            const double d = std::hypot(fast.pos[k].x - ref.pos[k].x, fast.pos[k].y - ref.pos[k].y);
            worst = std::fmax(worst, d);
            EXPECT_LT(d, 1e-3) << "case " << i << " stone " << k;
        }
    }
    EXPECT_GT(with_contacts, n / 3);
    EXPECT_GT(multi_contacts, n / 10);
    RecordProperty("worst_mm", std::to_string(worst * 1000.0));
    std::printf("agreement: %d shots, %d with collisions, %d with several, worst %.6f mm\n", n, with_contacts,
                multi_contacts, worst * 1000.0);
}

TEST(PhysicsAgreement, SeveralMovingStonesInCrowdedHousesMatchTheReference) {
    // Shots into crowded houses (hits mostly) that set at least four stones
    // moving: pairs of moving stones meet here when either one's travel
    // closes the gap, e.g. a slow stone caught up by a faster one.
    Rng rng(314);
    const int n = cases(240, 80);
    int compared = 0;
    int skipped = 0;
    double worst = 0.0;
    for (int i = 0; compared < n && i < 50 * n; ++i) {
        const int stones = 8 + static_cast<int>(rng.next() % 8);
        const GAMESTATE house = crowded_house(rng, stones);
        const ShotVector shot = crowded_shot(rng, house);
        const bool mirror = shot.spin != 0;
        cp::Sheet sheet;
        cp::load_sheet(house, mirror, sheet);
        const Vec2 vel{(mirror ? -0.1 : 0.1) * shot.vx, 0.1 * shot.vy};
        cp::Sheet fast = sheet;
        const cp::RunResult r = cp::run_shot(fast, stones, vel, 1, cp::RunOptions{});
        int moved = 0;
        for (int k = 0; k < stones; ++k) {
            moved += fast.slot[k] != sheet.slot[k] || fast.pos[k].x != sheet.pos[k].x || fast.pos[k].y != sheet.pos[k].y;
        }
        if (moved < 4) continue;
        if (r.pressed > 0) {  // the reference does not model stones pressed together
            ++skipped;
            continue;
        }
        ++compared;
        cp::Sheet ref = sheet;
        reference_shot(ref, stones, vel, 1, 1e-3);
        const double d = largest_difference(fast, ref, stones);
        worst = std::fmax(worst, d);
        EXPECT_LT(d, 1e-3) << "shot " << i << " (" << moved << " stones moved)";
    }
    EXPECT_EQ(compared, n);
    EXPECT_LE(skipped, n / 20);
    std::printf("crowded agreement: %d shots moving 4 or more stones, %d skipped as pressed, worst %.6f mm\n", compared,
                skipped, worst * 1000.0);
}
