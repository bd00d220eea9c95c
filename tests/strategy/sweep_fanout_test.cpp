#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "strategy/mid_end_search.h"
#include "strategy/sweep_selection.h"
#include "strategy/sweep_worker.h"
#include "testing/doubles/double_fixture.h"

namespace {

struct WorkerCall {
    std::int32_t index;
    std::int32_t row;
    std::int32_t spin_flag;
    float vx_first;
    float vx_last;
    std::int32_t steps;
    float row_vy;
    const _GAMESTATE* state;
    float* slot;
    std::thread::id thread;
};

std::mutex seen_mutex;
std::vector<WorkerCall> seen;

void recording_worker(std::int32_t index, std::int32_t row, std::int32_t spin_flag, float vx_first,
                      float vx_last, std::int32_t steps, float row_vy, const _GAMESTATE* state,
                      float* slot) {
    const std::lock_guard<std::mutex> lock(seen_mutex);
    seen.push_back(WorkerCall{index, row, spin_flag, vx_first, vx_last, steps, row_vy, state, slot,
                              std::this_thread::get_id()});
}

TEST(FanOut, BlockRunsEachCandidateOnceWithItsOwnSlot) {
    seen.clear();
    _GAMESTATE state{};
    float slots[40] = {};
    const SweepRow row{recording_worker, 4, 1, -1.0f, 2.0f, 40, -31.0f, &state, slots};
    sweep_block(row, 16);
    ASSERT_EQ(seen.size(), 8u);
    std::sort(seen.begin(), seen.end(),
              [](const WorkerCall& a, const WorkerCall& b) { return a.index < b.index; });
    std::vector<std::thread::id> threads;
    for (std::int32_t k = 0; k < 8; ++k) {
        const WorkerCall& call = seen[static_cast<std::size_t>(k)];
        EXPECT_EQ(call.index, 16 + k);
        EXPECT_EQ(call.slot, &slots[16 + k]);
        EXPECT_EQ(call.row, 4);
        EXPECT_EQ(call.spin_flag, 1);
        EXPECT_EQ(call.vx_first, -1.0f);
        EXPECT_EQ(call.vx_last, 2.0f);
        EXPECT_EQ(call.steps, 40);
        EXPECT_EQ(call.row_vy, -31.0f);
        EXPECT_EQ(call.state, &state);
        threads.push_back(call.thread);
    }
    // The block's first candidate is rated on the calling thread, the other
    // seven each on a thread of its own.
    EXPECT_EQ(threads[0], std::this_thread::get_id());
    std::sort(threads.begin() + 1, threads.end());
    EXPECT_EQ(std::adjacent_find(threads.begin() + 1, threads.end()), threads.end());
    EXPECT_EQ(std::count(threads.begin() + 1, threads.end(), std::this_thread::get_id()), 0);
}

// Every candidate waits until eight are in flight: a fan-out that ran fewer
// at once would never finish (the test's time limit catches that), and one
// that let a block overlap the next would show more than eight.
std::mutex gate_mutex;
std::condition_variable gate_open;
std::int32_t arrived = 0;
std::int32_t generation = 0;
std::int32_t in_flight = 0;
std::int32_t most_in_flight = 0;

void gated_worker(std::int32_t index, std::int32_t, std::int32_t spin_flag, float, float,
                  std::int32_t, float, const _GAMESTATE*, float* slot) {
    std::unique_lock<std::mutex> lock(gate_mutex);
    ++in_flight;
    most_in_flight = std::max(most_in_flight, in_flight);
    const std::int32_t mine = generation;
    if (++arrived == SWEEP_BLOCK) {
        arrived = 0;
        ++generation;
        gate_open.notify_all();
    } else {
        gate_open.wait(lock, [mine] { return generation != mine; });
    }
    --in_flight;
    lock.unlock();
    const std::lock_guard<std::mutex> store(results_mutex);
    *slot = *slot == UNRATED ? static_cast<float>(index + 1000 * spin_flag) : -99.0f;
}

TEST(FanOut, WholeRowsRunEightAtATimeAndWriteEverySlotOnce) {
    const float row_vy[2] = {-30.0f, -40.0f};
    const RowMix unused[2] = {};
    const SweepSearch search{2, row_vy, unused, gated_worker};
    SweepGrid grid(2);
    _GAMESTATE state{};
    sweep_grid(search, state, grid);
    EXPECT_EQ(most_in_flight, SWEEP_BLOCK);
    EXPECT_EQ(generation, 2 * 2 * SWEEP_STEPS / SWEEP_BLOCK);
    for (std::int32_t s = 0; s < 2; ++s) {
        for (std::int32_t r = 0; r < 2; ++r) {
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                ASSERT_EQ(grid.raw_ratings[grid.at(s, r, i)], static_cast<float>(i + 1000 * s))
                    << s << " " << r << " " << i;
            }
        }
    }
}

using SearchConcurrency = DoubleTest;

TEST_F(SearchConcurrency, SimulationsOverlapButNeverExceedEight) {
    double_set_recording(false);
    double_set_simulation_delay_us(200);
    _GAMESTATE state = empty_state(6);
    ShotVector out{};
    mid_end_search(state, &out);
    EXPECT_EQ(double_count_of(DOUBLE_SIMULATION), 2560);
    EXPECT_LE(double_max_concurrent_simulations(), SWEEP_BLOCK);
    EXPECT_GT(double_max_concurrent_simulations(), 1);
}

}  // namespace
