/* Plays cases read from standard input through the library's C interface
 * and prints every result as raw bits, for the Python module's round trip.
 *
 * One case per line, numbers separated by blanks; floats are the hex digits
 * of their 32-bit pattern:
 *   seed spread limit shot_number current_end last_end moving_side
 *   end_scores[10] stones[16](x y) target_x target_y spin strength
 *   interval max_frames rule
 * One line out per case (see results_line in test_curling_simulator.py). */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "curling_simulator.h"

static float float_of(uint32_t bits) {
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

static uint32_t bits_of(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

static int read_float(float* out) {
    uint32_t bits;
    if (scanf("%" SCNx32, &bits) != 1) return 0;
    *out = float_of(bits);
    return 1;
}

static int read_case(uint64_t* seed, float* spread, int32_t* limit, GAMESTATE* state, ShotTarget* target,
                     float* strength, float* interval, int32_t* max_frames, int32_t* rule) {
    unsigned side = 0;
    unsigned spin = 0;
    memset(state, 0, sizeof *state);
    memset(target, 0, sizeof *target);
    if (scanf("%" SCNu64, seed) != 1) return 0;
    if (!read_float(spread) || scanf("%" SCNd32 " %" SCNd32 " %" SCNd32 " %" SCNd32 " %u", limit,
                                     &state->shot_number, &state->current_end, &state->last_end,
                                     &side) != 5) {
        return 0;
    }
    state->moving_side = (uint8_t)side;
    for (int k = 0; k < 10; ++k) {
        if (scanf("%" SCNd32, &state->end_scores[k]) != 1) return 0;
    }
    for (int k = 0; k < CURLING_STONES; ++k) {
        if (!read_float(&state->stones[k].x) || !read_float(&state->stones[k].y)) return 0;
    }
    if (!read_float(&target->x) || !read_float(&target->y) || scanf("%u", &spin) != 1) return 0;
    target->spin = (uint8_t)spin;
    return read_float(strength) && read_float(interval) &&
           scanf("%" SCNd32 " %" SCNd32, max_frames, rule) == 2;
}

static void print_shot(const char* tag, int32_t code, ShotVector shot) {
    printf("%s %" PRId32 " %08" PRIx32 " %08" PRIx32 " %u ", tag, code, bits_of(shot.vx), bits_of(shot.vy),
           (unsigned)shot.spin);
}

static void print_stones(const StonePosition* stones) {
    for (int k = 0; k < CURLING_STONES; ++k) {
        printf(" %08" PRIx32 " %08" PRIx32, bits_of(stones[k].x), bits_of(stones[k].y));
    }
}

static void play(uint64_t seed, float spread, int32_t limit, const GAMESTATE* before, ShotTarget target,
                 float strength, float interval, int32_t max_frames, int32_t rule) {
    ShotVector draw;
    ShotVector hit;
    print_shot("D", CreateShot(target, &draw), draw);
    print_shot("H", CreateHitShot(target, strength, &hit), hit);

    GAMESTATE after = *before;
    SeedNoise(seed);
    const int32_t code = Simulation(&after, hit, spread, 0, limit);
    printf("S %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %u", code, after.shot_number, after.current_end,
           after.last_end, (unsigned)after.moving_side);
    for (int k = 0; k < 10; ++k) printf(" %" PRId32, after.end_scores[k]);
    print_stones(after.stones);
    printf(" G %" PRId32 " %" PRId32, GetScore(before), GetScore(&after));
    GAMESTATE ruled = after;
    uint32_t restored = 0;
    printf(" R %" PRId32, ApplyFreeGuardZone(before, &ruled, rule, &restored));
    printf(" %08" PRIx32, restored);
    print_stones(ruled.stones);

    StonePosition* frames = calloc((size_t)max_frames * CURLING_STONES, sizeof *frames);
    if (frames == NULL) exit(2);
    SeedNoise(seed);
    const int32_t written = SimulateTrajectory(before, draw, spread, 0, interval, frames, max_frames);
    printf(" T %" PRId32, written);
    if (written > 0) {
        print_stones(frames + (size_t)(written / 2) * CURLING_STONES);
        print_stones(frames + (size_t)(written - 1) * CURLING_STONES);
    }
    printf("\n");
    free(frames);
}

int main(void) {
    uint64_t seed;
    float spread, strength, interval;
    int32_t limit, max_frames, rule;
    GAMESTATE state;
    ShotTarget target;
    while (read_case(&seed, &spread, &limit, &state, &target, &strength, &interval, &max_frames, &rule)) {
        play(seed, spread, limit, &state, target, strength, interval, max_frames, rule);
    }
    return ferror(stdin) ? 1 : 0;
}
