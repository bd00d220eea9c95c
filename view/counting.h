#pragma once

#include <vector>

#include "view/sheet_svg.h"

// The stones that would score if the end ended as they lie, by the rule of
// the library's GetScore (the public header): the side with the stone
// nearest the tee counts each of its stones in the house nearer than the
// other side's nearest, with the distances compared in single precision.
struct Counting {
    int side = -1;           // the side that counts, -1 for none
    std::vector<int> slots;  // its counting stones, nearest first
    // Points as GetScore gives them: positive when side 0 counts.
    int score() const {
        return side < 0 ? 0 : (side == 0 ? 1 : -1) * static_cast<int>(slots.size());
    }
};

Counting counting_stones(const Position& position, int first_side);
