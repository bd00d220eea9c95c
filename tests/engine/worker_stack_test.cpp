// The engine starts its threads with a small stack (use_worker_stack, called
// first in main). Both sweep workers on the physics library must fit in it,
// in every build: a worker that outgrows it runs into the guard page and the
// process dies here, under AddressSanitizer with its wider frames too.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <thread>

#include "simulator/simulator_binding.h"
#include "strategy/last_stone_search.h"
#include "strategy/mid_end_search.h"
#include "strategy/worker_stack.h"

namespace {

// Every stone thrown so far packed around the tee: many candidates of either
// search hit several of them, the longest chains of collisions the physics
// resolves.
_GAMESTATE crowded_house(std::int32_t shot_number) {
    _GAMESTATE state{};
    state.shot_number = shot_number;
    state.current_end = 5;
    state.last_end = 8;
    state.moving_side = 1;
    for (std::int32_t k = 0; k < shot_number; ++k) {
        const float ring = static_cast<float>(k % 5) - 2.0f;
        const float depth = static_cast<float>(k / 5) - 1.0f;
        state.stones[k] =
            StonePosition{2.375f + 0.31f * ring, 4.88f + 0.33f * depth + 0.05f * ring};
    }
    return state;
}

struct Answers {
    ShotVector mid_end;
    ShotVector last_stone;
};

Answers search_both() {
    Answers answers{};
    mid_end_search(crowded_house(11), &answers.mid_end);
    last_stone_search(crowded_house(15), &answers.last_stone);
    return answers;
}

struct ThreadStack {
    std::size_t size = 0;
    std::size_t guard = 0;
};

ThreadStack stack_of_a_started_thread() {
    ThreadStack seen;
    std::thread([&seen] {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &seen.size);
            pthread_attr_getguardsize(&attributes, &seen.guard);
            pthread_attr_destroy(&attributes);
        }
    }).join();
    return seen;
}

void expect_same(const ShotVector& got, const ShotVector& want) {
    EXPECT_EQ(got.vx, want.vx);
    EXPECT_EQ(got.vy, want.vy);
    EXPECT_EQ(got.spin, want.spin);
}

TEST(WorkerStack, BothSearchesOnThePhysicsFitTheEngineThreadStack) {
    ASSERT_TRUE(load_simulator_from(PHYSICS_PATH));
    const Answers on_system_stacks = search_both();

    ASSERT_TRUE(use_worker_stack());
    // The searches' threads really start on the small stack, above a guard.
    const ThreadStack stack = stack_of_a_started_thread();
    EXPECT_EQ(stack.size, worker_stack_size());
    EXPECT_GT(stack.guard, 0u);

    const Answers on_worker_stacks = search_both();
    expect_same(on_worker_stacks.mid_end, on_system_stacks.mid_end);
    expect_same(on_worker_stacks.last_stone, on_system_stacks.last_stone);
}

}  // namespace
