// Knocks an opponent's stone off the button and prints where every stone
// comes to rest and who would score.
#include <cstdio>

#include "curling_simulator.h"

int main() {
    GAMESTATE state{};
    state.shot_number = 1;  // stone 0 (the other side's) already lies on the button
    state.moving_side = 1;
    state.stones[0] = StonePosition{CURLING_CENTRE_X, CURLING_TEE_Y};

    ShotVector shot{};
    const ShotTarget target{CURLING_CENTRE_X, CURLING_TEE_Y, 0};
    if (CreateHitShot(target, 20.0f, &shot) != 1) {
        std::fprintf(stderr, "no hit shot to the button\n");
        return 1;
    }
    std::printf("shot: vx %.4f vy %.4f spin %d\n", shot.vx, shot.vy, shot.spin);
    if (Simulation(&state, shot, 0.0f, 0, -1) != 1) {
        std::fprintf(stderr, "the shot was not played to rest\n");
        return 1;
    }
    for (int k = 0; k < 2; ++k) {
        const StonePosition& p = state.stones[k];
        if (p.x == 0.0f && p.y == 0.0f) {
            std::printf("stone %d: out of play\n", k);
        } else {
            std::printf("stone %d: rests at x %.3f y %.3f\n", k, p.x, p.y);
        }
    }
    std::printf("score: %d\n", GetScore(&state));
    return 0;
}
