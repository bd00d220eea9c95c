/* Draws a stone to the button and prints where it rests and the score.
 * Built against the installed library with pkg-config:
 *   cc draw.c $(pkg-config --cflags --libs curling-simulator) -o draw */
#include <stdio.h>
#include <string.h>

#include "curling_simulator.h"

int main(void) {
    GAMESTATE state;
    ShotTarget target = {(float)CURLING_CENTRE_X, (float)CURLING_TEE_Y, 1};
    ShotVector shot;
    memset(&state, 0, sizeof state);
    if (CreateShot(target, &shot) != 1) {
        fprintf(stderr, "the button cannot be reached\n");
        return 1;
    }
    if (Simulation(&state, shot, 0.0f, 0, -1) != 1) {
        fprintf(stderr, "the shot was not played to rest\n");
        return 1;
    }
    printf("stone 0: rests at x %.3f y %.3f\n", state.stones[0].x, state.stones[0].y);
    printf("score: %d\n", (int)GetScore(&state));
    return 0;
}
