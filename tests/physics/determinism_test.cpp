// The determinism hash, single-threaded; threaded_test.cpp computes the same
// hash on eight threads at once.
#include <gtest/gtest.h>

#include "determinism_hash.h"
#include "support.h"

using namespace physics_test;

TEST(PhysicsDeterminism, PinnedHashOfAFixedSetOfShots) {
    const std::vector<Case> cases = determinism_cases();
    const std::uint64_t h = determinism_hash(cases);
    EXPECT_EQ(h, PINNED_DETERMINISM_HASH) << std::hex << "0x" << h;
    // and again, in the same process
    EXPECT_EQ(determinism_hash(cases), h);
}
