#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "curling_simulator.h"
#include "simulator/simulator_binding.h"
#include "testing/doubles/simulator_double.h"

// Binds the player to the recording test double and clears it before each
// test, so every test sees only its own calls.
class DoubleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(load_simulator_from(SIMULATOR_DOUBLE_PATH)); }
    void SetUp() override { double_reset(); }

    static std::vector<DoubleCall> recorded_calls() {
        std::vector<DoubleCall> calls;
        const std::int32_t count = double_call_count();
        for (std::int32_t k = 0; k < count; ++k) {
            DoubleCall call{};
            double_call(k, &call);
            calls.push_back(call);
        }
        return calls;
    }
};

inline _GAMESTATE empty_state(std::int32_t shot_number) {
    _GAMESTATE state{};
    state.shot_number = shot_number;
    return state;
}

inline bool same_shot(const ShotVector& a, const ShotVector& b) {
    return a.vx == b.vx && a.vy == b.vy && a.spin == b.spin;
}
