#include "simulator_double.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex log_mutex;
std::vector<DoubleCall> calls;
bool recording = true;
std::atomic<std::int32_t> counts[5];
std::atomic<std::int32_t> fixed_score{0};
std::atomic<DoubleSimulationHook> simulation_hook{nullptr};
std::atomic<DoubleScoreHook> score_hook{nullptr};
std::atomic<std::int32_t> delay_us{0};
std::atomic<std::int32_t> in_flight{0};
std::atomic<std::int32_t> max_in_flight{0};

void record(const DoubleCall& call) {
    counts[call.kind].fetch_add(1);
    std::lock_guard<std::mutex> lock(log_mutex);
    if (recording) {
        calls.push_back(call);
    }
    // Process-level tests read the calls from a file, one line each.
    if (const char* path = std::getenv("CURLING_DOUBLE_LOG")) {
        if (std::FILE* file = std::fopen(path, "a")) {
            std::fprintf(file, "%d %.9g %.9g %d %.9g %.9g %.9g %d %.9g %u %d %d\n", call.kind,
                         static_cast<double>(call.target.x), static_cast<double>(call.target.y),
                         call.target.spin, static_cast<double>(call.strength),
                         static_cast<double>(call.shot.vx), static_cast<double>(call.shot.vy),
                         call.shot.spin, static_cast<double>(call.spread), call.reserved,
                         call.limit, call.state.shot_number);
            std::fclose(file);
        }
    }
}

}  // namespace

DOUBLE_EXPORT void double_reset() {
    std::lock_guard<std::mutex> lock(log_mutex);
    calls.clear();
    recording = true;
    for (auto& count : counts) {
        count.store(0);
    }
    fixed_score.store(0);
    simulation_hook.store(nullptr);
    score_hook.store(nullptr);
    delay_us.store(0);
    in_flight.store(0);
    max_in_flight.store(0);
}

DOUBLE_EXPORT std::int32_t double_call_count() {
    std::lock_guard<std::mutex> lock(log_mutex);
    return static_cast<std::int32_t>(calls.size());
}

DOUBLE_EXPORT bool double_call(std::int32_t index, DoubleCall* out) {
    std::lock_guard<std::mutex> lock(log_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= calls.size()) {
        return false;
    }
    *out = calls[static_cast<std::size_t>(index)];
    return true;
}

DOUBLE_EXPORT void double_set_recording(bool on) {
    std::lock_guard<std::mutex> lock(log_mutex);
    recording = on;
}

DOUBLE_EXPORT std::int32_t double_count_of(std::int32_t kind) {
    return kind >= 1 && kind <= 4 ? counts[kind].load() : 0;
}

DOUBLE_EXPORT void double_set_score(std::int32_t score) { fixed_score.store(score); }
DOUBLE_EXPORT void double_set_simulation_hook(DoubleSimulationHook hook) { simulation_hook.store(hook); }
DOUBLE_EXPORT void double_set_score_hook(DoubleScoreHook hook) { score_hook.store(hook); }
DOUBLE_EXPORT void double_set_simulation_delay_us(std::int32_t us) { delay_us.store(us); }
DOUBLE_EXPORT std::int32_t double_max_concurrent_simulations() { return max_in_flight.load(); }

#ifndef DOUBLE_OMIT_SIMULATION
DOUBLE_EXPORT std::int32_t Simulation(_GAMESTATE* state, ShotVector shot, float spread,
                                      std::uint32_t reserved, std::int32_t limit) {
    const std::int32_t now = in_flight.fetch_add(1) + 1;
    std::int32_t seen = max_in_flight.load();
    while (now > seen && !max_in_flight.compare_exchange_weak(seen, now)) {
    }
    DoubleCall call{};
    call.kind = DOUBLE_SIMULATION;
    call.shot = shot;
    call.spread = spread;
    call.reserved = reserved;
    call.limit = limit;
    call.state = *state;
    record(call);
    if (const std::int32_t us = delay_us.load(); us > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(us));
    }
    std::int32_t played = 0;
    if (state->shot_number >= 0 && state->shot_number < 16) {
        if (DoubleSimulationHook hook = simulation_hook.load()) {
            hook(state, shot);
        } else {
            state->stones[state->shot_number] = double_rest_position(shot);
        }
        state->shot_number += 1;
        state->moving_side = state->moving_side == 0 ? 1 : 0;
        played = 1;
    }
    in_flight.fetch_sub(1);
    return played;
}
#endif

#ifndef DOUBLE_OMIT_CREATE_SHOT
DOUBLE_EXPORT std::int32_t CreateShot(ShotTarget target, ShotVector* out) {
    DoubleCall call{};
    call.kind = DOUBLE_CREATE_SHOT;
    call.target = target;
    record(call);
    *out = ShotVector{target.x, target.y, target.spin};
    return 1;
}
#endif

#ifndef DOUBLE_OMIT_CREATE_HIT_SHOT
DOUBLE_EXPORT std::int32_t CreateHitShot(ShotTarget target, float strength, ShotVector* out) {
    DoubleCall call{};
    call.kind = DOUBLE_CREATE_HIT_SHOT;
    call.target = target;
    call.strength = strength;
    record(call);
    *out = ShotVector{target.x, target.y, target.spin};
    return 1;
}
#endif

#ifndef DOUBLE_OMIT_GET_SCORE
DOUBLE_EXPORT std::int32_t GetScore(const _GAMESTATE* state) {
    DoubleCall call{};
    call.kind = DOUBLE_GET_SCORE;
    call.state = *state;
    record(call);
    if (DoubleScoreHook hook = score_hook.load()) {
        return hook(state);
    }
    return fixed_score.load();
}
#endif
