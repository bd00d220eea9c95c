// Eight threads at once compute the determinism hash, each on its own
// records: every one must get the pinned value.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "curling_simulator.h"
#include "determinism_hash.h"
#include "support.h"

using namespace physics_test;

TEST(PhysicsThreaded, EightConcurrentCallersGetThePinnedHash) {
    const std::vector<Case> cases = determinism_cases();
    constexpr int THREADS = 8;
    std::vector<std::uint64_t> hashes(THREADS, 0);
    std::vector<int> scores(THREADS, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < THREADS; ++i) {
        threads.emplace_back([&, i] {
            hashes[static_cast<std::size_t>(i)] = determinism_hash(cases);
            int sum = 0;
            for (const Case& c : cases) sum += GetScore(&c.state);
            scores[static_cast<std::size_t>(i)] = sum;
            // the per-thread noise generator: same seed, same noise
            SeedNoise(static_cast<std::uint64_t>(1234));
            GAMESTATE s = empty_state(0);
            Simulation(&s, ShotVector{-1.08f, -29.9f, 0}, 0.145f, 0, -1);
            scores[static_cast<std::size_t>(i)] += static_cast<int>(s.stones[0].y * 1000.0f);
        });
    }
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < THREADS; ++i) {
        EXPECT_EQ(hashes[static_cast<std::size_t>(i)], PINNED_DETERMINISM_HASH) << std::hex << hashes[static_cast<std::size_t>(i)];
        EXPECT_EQ(scores[static_cast<std::size_t>(i)], scores[0]);
    }
}
