#include "view/counting.h"

#include <algorithm>
#include <limits>

Counting counting_stones(const Position& position, int first_side) {
    struct Near {
        float distance_sq;
        int slot;
    };
    std::vector<Near> in_house;
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        const StonePosition stone = position[static_cast<std::size_t>(slot)];
        if (empty_slot(stone)) {
            continue;
        }
        const float dx = stone.x - static_cast<float>(CURLING_CENTRE_X);
        const float dy = stone.y - static_cast<float>(CURLING_TEE_Y);
        // The library's order, so a stone at the house's edge counts alike.
        const float distance_sq = dy * dy + dx * dx;
        if (distance_sq < static_cast<float>(CURLING_HOUSE_REACH_SQ)) {
            in_house.push_back(Near{distance_sq, slot});
        }
    }
    std::stable_sort(in_house.begin(), in_house.end(),
                     [](const Near& a, const Near& b) { return a.distance_sq < b.distance_sq; });
    Counting counting;
    if (in_house.empty()) {
        return counting;
    }
    const int side = side_of_slot(first_side, in_house.front().slot);
    float other_best = std::numeric_limits<float>::infinity();
    for (const Near& near : in_house) {
        if (side_of_slot(first_side, near.slot) != side) {
            other_best = near.distance_sq;
            break;
        }
    }
    for (const Near& near : in_house) {
        if (near.distance_sq >= other_best) {
            break;
        }
        counting.slots.push_back(near.slot);
    }
    counting.side = counting.slots.empty() ? -1 : side;
    return counting;
}
