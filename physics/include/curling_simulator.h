/* Public interface of the curling physics library (libCurlingSimulator.so).
 *
 * Units: positions in metres in the coordinates of `stones`; velocities in
 * library units of 0.1 m/s. Delivered stones travel toward decreasing y. */
#ifndef CURLING_SIMULATOR_H
#define CURLING_SIMULATOR_H

#include <stdint.h>

#if defined(_WIN32)
#define CURLING_API __declspec(dllexport)
#else
#define CURLING_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct StonePosition {
    float x;
    float y;
} StonePosition;

typedef struct _GAMESTATE {
    int32_t shot_number;
    int32_t current_end;
    int32_t last_end;
    int32_t end_scores[10];
    uint8_t moving_side;
    StonePosition stones[16];
} GAMESTATE;

typedef struct ShotVector {
    float vx;
    float vy;
    uint8_t spin;
} ShotVector;

typedef struct ShotTarget {
    float x;
    float y;
    uint8_t spin;
} ShotTarget;

/* Plays stone `shot_number` of `state` with `shot` (plus Gaussian noise of
 * standard deviation `spread` on vx and vy) until every stone rests or has
 * left play; then advances `shot_number` and flips `moving_side`.
 * Returns 1 when a stone was played, 0 when nothing moved. */
CURLING_API int32_t Simulation(GAMESTATE *state, ShotVector shot, float spread,
                               uint32_t reserved, int32_t limit);

/* The shot with the target's spin that comes to rest at the target point on
 * an empty sheet. Returns 1 when the target is reachable, 0 when `out` holds
 * the nearest reachable shot instead. */
CURLING_API int32_t CreateShot(ShotTarget target, ShotVector *out);

/* A shot with the target's spin whose path passes through the target point
 * with speed `strength` there. Returns 1 on success, 0 when `out` holds the
 * nearest shot that could be made. */
CURLING_API int32_t CreateHitShot(ShotTarget target, float strength, ShotVector *out);

/* Score of the end as the stones lie: positive when side 0 scores. */
CURLING_API int32_t GetScore(const GAMESTATE *state);

#ifdef __cplusplus
}
#endif

#endif
