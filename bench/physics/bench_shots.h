// What the physics benchmark's sources share: the positions and shots they
// play, and a plain timing of the fast path.
#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "curling_simulator.h"
#include "support.h"

namespace physics_bench {

inline ShotVector draw_to_tee() {
    ShotVector s{};
    CreateShot(ShotTarget{static_cast<float>(CURLING_CENTRE_X), static_cast<float>(CURLING_TEE_Y), 0}, &s);
    return s;
}

// Fifteen stones in and around the house.
inline GAMESTATE house_of_15() {
    GAMESTATE s = physics_test::empty_state(15);
    const StonePosition stones[15] = {
        {2.375f, 4.88f}, {2.0f, 5.5f},  {2.9f, 4.3f},  {1.5f, 4.6f},  {3.3f, 5.2f},
        {2.6f, 6.4f},    {1.9f, 3.6f},  {2.375f, 7.6f}, {3.0f, 8.4f}, {1.4f, 6.3f},
        {3.6f, 3.9f},    {2.2f, 9.2f},  {1.0f, 5.0f},  {3.9f, 6.0f},  {2.8f, 3.3f}};
    for (int k = 0; k < 15; ++k) s.stones[k] = stones[k];
    return s;
}

// A hit aimed at the stone at (1.0, 5.0) at strength 10: it strikes the
// stone at (1.4, 6.3) in front of it, which moves, and leaves play.
inline ShotVector house_hit() {
    ShotVector s{};
    CreateHitShot(ShotTarget{1.0f, 5.0f, 1}, 10.0f, &s);
    return s;
}

// One stone on the tee, the second stone of the end to throw.
inline GAMESTATE stone_on_tee() {
    GAMESTATE s = physics_test::empty_state(1);
    s.stones[0] = StonePosition{static_cast<float>(CURLING_CENTRE_X), static_cast<float>(CURLING_TEE_Y)};
    return s;
}

// A full hit on that stone at strength 16: it leaves at about 1.5 m/s and
// crosses the back line, the shooter stays in the house.
inline ShotVector takeout_from_tee() {
    ShotVector s{};
    CreateHitShot(ShotTarget{static_cast<float>(CURLING_CENTRE_X), static_cast<float>(CURLING_TEE_Y), 0}, 16.0f, &s);
    return s;
}

// The CPU time of the calling thread: on a machine shared with other work
// it counts what a computation costs, not how long it waited for a core.
struct ThreadCpuClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(static_cast<rep>(t.tv_sec) * 1'000'000'000 + t.tv_nsec));
    }
};

// Median over 7 timings of `runs` calls of f, in ns per call: a plain timing
// of the fast path beside a benchmark that times something slower.
template <class Clock = std::chrono::steady_clock, class F>
double median_ns(F&& f, int runs) {
    std::vector<double> t;
    for (int r = 0; r < 7; ++r) {
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i) f();
        t.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() / runs);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace physics_bench
