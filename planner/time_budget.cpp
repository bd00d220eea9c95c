#include "time_budget.h"

#include <algorithm>

namespace planner {

int stones_left(const GAMESTATE& state) {
    const int shot = std::clamp(state.shot_number, 0, CURLING_STONES - 1);
    const int in_this_end = (CURLING_STONES - 1 - shot) / 2 + 1;
    const int last_end = std::clamp(state.last_end, 0, CURLING_MAX_ENDS - 1);
    const int end = std::clamp(state.current_end, 0, CURLING_MAX_ENDS - 1);
    const int later_ends = std::max(0, last_end - end) + (end < CURLING_MAX_ENDS - 1 ? 1 : 0);
    return in_this_end + later_ends * (CURLING_STONES / 2);
}

TimePlan plan_time(std::int32_t remaining_ms, const GAMESTATE& state, double move_ms) {
    const int stones = stones_left(state);
    // The reserve covers the time the protocol and the machine take around
    // each decision, which the planner does not see.
    const double reserve = 300.0 + 12.0 * stones;
    const double spendable = static_cast<double>(remaining_ms) - reserve;
    const double share = spendable / stones;
    const double milliseconds = std::min(move_ms, share);
    if (milliseconds < QUICK_SHOT_BELOW_MS) {
        return TimePlan{true, 0.0};
    }
    return TimePlan{false, milliseconds};
}

}  // namespace planner
