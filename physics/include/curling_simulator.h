/* Public interface of the curling physics library (libCurlingSimulator.so).
 *
 * Units: positions in metres in the coordinates of `stones` (x across the
 * sheet, 0 to 4.75, centre line x = 2.375; y along it, far tee at y = 4.88);
 * velocities in library units of 0.1 m/s. Delivered stones travel toward
 * decreasing y from the release point (2.375, 33.226) on the near hog line.
 * Spin 0 rotates counter-clockwise seen from above and curls toward +x;
 * spin 1 (any nonzero value) rotates clockwise and curls toward -x.
 *
 * Every entry point may be called from any number of threads at once on
 * distinct records; results are bit-for-bit deterministic (the noise of
 * `spread` aside, which comes from a per-thread generator). No entry point
 * throws or aborts; each returns after a bounded amount of work for any
 * argument values. The physical model is described in physics/README.md. */
#ifndef CURLING_SIMULATOR_H
#define CURLING_SIMULATOR_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define CURLING_API __declspec(dllexport)
#else
#define CURLING_API __attribute__((visibility("default")))
#endif

/* ---- The sheet ---------------------------------------------------------
 * Where things are, in the coordinates of `stones` (metres). Every program
 * that reasons about the sheet takes its lines from here. Double literals:
 * a caller that needs single precision converts, and checks that the float
 * it gets is the one it meant. */
#define CURLING_SHEET_WIDTH 4.75     /* side lines at x = 0 and x = 4.75 */
#define CURLING_CENTRE_X 2.375       /* centre line; x of the tee */
#define CURLING_TEE_Y 4.88           /* far tee */
#define CURLING_STONE_RADIUS 0.145
#define CURLING_HOUSE_RADIUS 1.829   /* outer edge of the twelve-foot ring */
#define CURLING_RING_8FT_RADIUS 1.219
#define CURLING_RING_4FT_RADIUS 0.610
#define CURLING_BUTTON_RADIUS 0.152
/* A stone is in the house (it may score) while its centre is strictly
 * within this of the tee (see curling_in_house below). */
#define CURLING_HOUSE_REACH 1.975
#define CURLING_HOUSE_REACH_SQ 3.900625
#define CURLING_HOG_LINE_Y 11.281    /* far hog line */
#define CURLING_BACK_LINE_Y 3.051    /* far back line */
#define CURLING_RELEASE_Y 33.226     /* near hog line: where stones are released */
#define CURLING_NEAR_TEE_Y 39.63     /* near tee */
#define CURLING_NEAR_BACK_LINE_Y 41.459
/* A delivered stone has completely crossed the far hog line when its centre
 * is below this; it is completely past the far back line below
 * CURLING_BACK_LINE_Y - CURLING_STONE_RADIUS. */
#define CURLING_HOG_CLEAR_Y 11.136
/* Library velocity units: 1 unit is 0.1 m/s. */
#define CURLING_VELOCITY_UNIT 0.1
#define CURLING_STONES 16
#define CURLING_MAX_ENDS 10

#ifdef __cplusplus
extern "C" {
#endif

typedef struct StonePosition {
    float x;
    float y;
} StonePosition;

/* 184 bytes: offsets 0, 4, 8, 12, 52 and 56 (checked below). */
typedef struct _GAMESTATE {
    int32_t shot_number;    /* stones thrown in this end; index of the next */
    int32_t current_end;
    int32_t last_end;
    int32_t end_scores[10];
    uint8_t moving_side;    /* side (0 or 1) that throws stone shot_number */
    StonePosition stones[16]; /* (0.0, 0.0): no stone in this slot */
} GAMESTATE;

/* 12 bytes, spin at offset 8. */
typedef struct ShotVector {
    float vx;
    float vy;
    uint8_t spin;
} ShotVector;

/* 12 bytes, spin at offset 8. */
typedef struct ShotTarget {
    float x;
    float y;
    uint8_t spin;
} ShotTarget;


/* ---- Layout ------------------------------------------------------------
 * The records cross a binary interface between separately built programs:
 * a compiler or a change that moved a field would break every caller
 * silently, so the layouts are checked wherever this header is compiled. */
#if defined(__cplusplus)
#define CURLING_LAYOUT_CHECK(condition, what) static_assert(condition, what)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define CURLING_LAYOUT_CHECK(condition, what) _Static_assert(condition, what)
#endif
#ifdef CURLING_LAYOUT_CHECK
CURLING_LAYOUT_CHECK(sizeof(StonePosition) == 8, "StonePosition is 8 bytes");
CURLING_LAYOUT_CHECK(offsetof(StonePosition, x) == 0 && offsetof(StonePosition, y) == 4,
                     "StonePosition holds x then y");
CURLING_LAYOUT_CHECK(sizeof(GAMESTATE) == 184, "GAMESTATE is 184 bytes");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, shot_number) == 0, "shot_number at 0");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, current_end) == 4, "current_end at 4");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, last_end) == 8, "last_end at 8");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, end_scores) == 12, "end_scores at 12");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, moving_side) == 52, "moving_side at 52");
CURLING_LAYOUT_CHECK(offsetof(GAMESTATE, stones) == 56, "stones at 56");
CURLING_LAYOUT_CHECK(sizeof(ShotVector) == 12, "ShotVector is 12 bytes");
CURLING_LAYOUT_CHECK(offsetof(ShotVector, vx) == 0 && offsetof(ShotVector, vy) == 4 &&
                         offsetof(ShotVector, spin) == 8,
                     "ShotVector holds vx, vy, spin at 0, 4, 8");
CURLING_LAYOUT_CHECK(sizeof(ShotTarget) == 12, "ShotTarget is 12 bytes");
CURLING_LAYOUT_CHECK(offsetof(ShotTarget, x) == 0 && offsetof(ShotTarget, y) == 4 &&
                         offsetof(ShotTarget, spin) == 8,
                     "ShotTarget holds x, y, spin at 0, 4, 8");
#undef CURLING_LAYOUT_CHECK
#endif

#ifdef __cplusplus
#define CURLING_FLOAT(value) static_cast<float>(value)
#define CURLING_INLINE inline
#else
#define CURLING_FLOAT(value) ((float)(value))
#define CURLING_INLINE static inline
#endif

/* ---- The house ---------------------------------------------------------
 * A stone is in the house while its edge reaches over the outer ring: its
 * centre lies strictly within CURLING_HOUSE_REACH of the tee, the
 * twelve-foot ring's radius and a stone's radius (1.829 + 0.145 m, taken
 * as 1.975 m). A stone whose edge only touches the ring from outside is
 * not in, nor is one with a non-finite coordinate. GetScore decides it with
 * exactly these single-precision operations, so a caller that uses them
 * agrees with the score on every stone at the edge (given float arithmetic
 * in single precision, FLT_EVAL_METHOD 0, as on x86-64 and AArch64). */
CURLING_INLINE float curling_tee_distance_sq(StonePosition stone) {
    const float dx = stone.x - CURLING_FLOAT(CURLING_CENTRE_X);
    const float dy = stone.y - CURLING_FLOAT(CURLING_TEE_Y);
    return dy * dy + dx * dx;
}

CURLING_INLINE int curling_in_house(StonePosition stone) {
    return curling_tee_distance_sq(stone) < CURLING_FLOAT(CURLING_HOUSE_REACH_SQ);
}

/* Plays stone `shot_number` of `state` (only when 0 <= shot_number <= 15)
 * from the release point with the initial velocity (vx, vy) and the spin of
 * `shot`, until every stone rests or has left play; then adds 1 to
 * `shot_number` and flips `moving_side` (0 becomes 1, anything else 0).
 * Nothing else of the record changes.
 *
 * Stones: a slot holding (0.0, 0.0), a non-finite coordinate or a position
 * out of play (touching a side line, completely past a back line) takes no
 * part and is left as it is. The slot of the thrown stone is overwritten.
 * A stone that completely crosses the back line or touches a side line is
 * removed at once; after all stones rest, the thrown stone is removed if it
 * has not completely crossed the far hog line and hit no stone. A removed
 * stone's slot becomes (0.0, 0.0).
 *
 * shot: a non-finite vx or vy is a shot of speed 0 (the stone stays short
 * of the hog line and is removed); speeds above 100 units (10 m/s) are
 * slowed to 100 units in the same direction.
 * spread: when positive and finite, Gaussian noise of this standard
 * deviation (library units) is added to vx and to vy before the shot, from
 * the calling thread's generator (see SeedNoise). 0 (or negative, or NaN)
 * adds nothing.
 * reserved: flags, reserved for later use; must be 0. With any other value
 * the call changes nothing and returns -2.
 * limit: the largest simulated time in milliseconds. A negative value (the
 * usual -1) means no limit: play until every stone rests or leaves play.
 * With limit >= 0 the play stops after that time with the moving stones
 * left where they are then (the hog-line rule is then not applied).
 *
 * Returns 1 when the stone was played to rest, 2 when it was played but cut
 * short by `limit` (or by the library's bound of 4096 events), 0 when
 * shot_number was out of range (nothing changed), -1 for a null `state`,
 * -2 for a nonzero `reserved`. */
CURLING_API int32_t Simulation(GAMESTATE *state, ShotVector shot, float spread,
                               uint32_t reserved, int32_t limit);

/* The shot with the target's spin that comes to rest at the target point on
 * an empty sheet (to well within 1 cm). A target is reachable when a stone
 * resting there is in play and has completely crossed the far hog line
 * (2.906 <= y < 11.136, 0.145 < x < 4.605) and the path there touches no
 * side line; a target within 0.01 mm of one of those limits counts as on it
 * (the shot and the resting place are rounded to single precision, which
 * moves the stone by up to about 0.003 mm). Otherwise `out` gets the nearest
 * reachable shot: the target is moved inside those limits (by 1 mm) and
 * then, if the path would touch a side line, toward the centre line until
 * it does not.
 * Returns 1 when the target is reachable, 0 when `out` holds the nearest
 * reachable shot instead, -1 for a null `out`. */
CURLING_API int32_t CreateShot(ShotTarget target, ShotVector *out);

/* A shot with the target's spin whose path passes through the target point
 * (to well within 1 cm), with speed `strength` (library units, 0.1 m/s) at
 * that point on an empty sheet; a stone lying on the point is hit full.
 * Strength 0 is a draw to the point. Strengths are limited to 0..100 and to
 * what a release at 100 units can give; targets must lie ahead of the
 * release point and be reached in play. Otherwise `out` holds the nearest
 * shot that could be made. Returns 1 on success, 0 when `out` holds the
 * nearest shot instead, -1 for a null `out`. */
CURLING_API int32_t CreateHitShot(ShotTarget target, float strength, ShotVector *out);

/* Score of the end as the stones lie: positive when side 0 scores. A stone is
 * in the house when its centre is within 1.975 m of the tee ((x - 2.375)^2 +
 * (y - 4.88)^2 < 3.900625 in single precision). Stone k belongs to
 * `moving_side` when k has the parity of `shot_number`, to the other side
 * otherwise. The side with the stone nearest the tee scores one point for
 * each of its stones in the house nearer than the other side's nearest; with
 * no stone in the house, or two opposing stones equally near, it is 0.
 * A null `state` scores 0. */
CURLING_API int32_t GetScore(const GAMESTATE *state);

/* Extra exports. */

/* Seeds the noise generator of the calling thread (each thread starts from
 * the same fixed seed). Returns 1. */
CURLING_API int32_t SeedNoise(uint64_t seed);

/* Plays a shot like Simulation (without changing `state`) and records the
 * stones' positions every `interval` seconds of play (0.001 <= interval)
 * for pictures: frame f (16 positions, at frames[16 f .. 16 f + 15]) holds
 * the stones at time f * interval, and the last frame written holds the
 * final position, as Simulation would leave it. Slots that take no part
 * keep their values; removed stones read (0.0, 0.0) from the moment they
 * leave play. At most `max_frames` frames are written (the final position
 * always last). Returns the number of frames written (at least 1), -1 for a
 * null pointer or max_frames < 1, -2 for a nonzero `reserved` or a bad
 * interval, 0 when shot_number is out of range. */
CURLING_API int32_t SimulateTrajectory(const GAMESTATE *state, ShotVector shot, float spread,
                                       uint32_t reserved, float interval,
                                       StonePosition *frames, int32_t max_frames);

/* ---- The free guard zone ----------------------------------------------
 * Today's rule protects guards early in an end: a delivery among the first
 * five of the end (shot_number 0 to 4, five-rock rule) or the first four
 * (0 to 3, four-rock rule) that takes one of the other team's guards out
 * of play, directly or through other stones, is undone: the delivered stone
 * is removed from play and every stone it displaced is put back where it
 * was.
 *
 * The zone: the area of the far end between the tee line and the hog line,
 * not including the house. A stone lies in it when it is in play (as
 * Simulation judges: not (0.0, 0.0), finite, touching no side line, not
 * completely past a back line), it is not in the house as GetScore judges
 * (centre within 1.975 m of the tee; a stone whose edge is over the outer
 * ring is in the house, not in the zone), and its centre has
 * CURLING_GUARD_ZONE_MIN_Y <= y <= CURLING_GUARD_ZONE_MAX_Y, compared in
 * single precision against the floats of these: a stone touching the tee
 * line or the hog line counts as in the zone, one wholly behind the tee
 * line or wholly beyond the hog line does not. */
#define CURLING_GUARD_ZONE_MIN_Y 4.735   /* tee line - stone radius */
#define CURLING_GUARD_ZONE_MAX_Y 11.426  /* hog line + stone radius */
/* Rules (the `rule` of ApplyFreeGuardZone). FOUR_ROCK and FIVE_ROCK are the
 * number of deliveries of an end the rule covers. NO_TICK may be added to
 * either of them (not to NONE): during the first five deliveries of the end
 * a guard of the other team that touches the centre line may not be moved
 * off it either. A stone touches the centre line when
 * |x - 2.375| <= 0.145 in single precision (fabsf(x - 2.375f) <= 0.145f:
 * its edge reaches the line). */
#define CURLING_RULE_NONE 0
#define CURLING_RULE_FOUR_ROCK 4
#define CURLING_RULE_FIVE_ROCK 5
#define CURLING_RULE_NO_TICK 256

/* Applies `rule` to the delivery of stone n = before->shot_number, which
 * turned the position `before` into `after` (as Simulation leaves it:
 * after->shot_number is n + 1).
 *
 * Covered deliveries: n < 4 under CURLING_RULE_FOUR_ROCK, n < 5 under
 * CURLING_RULE_FIVE_ROCK (the first four or five stones of the end); the
 * no-tick rule covers n < 5. Protected stones: the other team's guards, that
 * is every stone k of a parity other than n's (stone k is delivered as shot
 * k, so it belongs to the team of shot k, as GetScore counts) that lies in
 * the zone in `before`. Which stones are guards is decided by `before`
 * alone: a stone in the house before the delivery is not protected, even
 * if knocked into the zone first.
 *
 * The delivery breaks the rule when a protected stone is not in play in
 * `after` (removed, or out of play), or, under the no-tick rule, when a
 * protected stone that touched the centre line in `before` is in `after`
 * not in play or no longer touching it. A guard moved but left in play
 * (into the house, or elsewhere in the zone) is fine, and so is removing
 * the team's own guards.
 *
 * When the delivery breaks the rule, `after` becomes the position to play
 * on: every stone k other than n is put back as it lay in `before` (bit for
 * bit), and stone n is removed from play, its slot (0.0, 0.0) as Simulation
 * leaves a removed stone. Nothing else of `after` changes (shot_number and
 * moving_side stay those of the next delivery). `restored`, when not null,
 * gets the stones put back: bit k set for each stone k other than n whose
 * slot in `after` differed from `before`; 0 when the delivery stands. The
 * work is a pass over the 16 slots.
 *
 * Returns 1 when the delivery broke the rule and `after` was rewritten, 0
 * when it stands (`after` unchanged; always so under CURLING_RULE_NONE and
 * after the covered deliveries), -1 for a null `before` or `after`, -2 for a
 * rule not listed above or a pair of positions that are not one delivery
 * apart (before->shot_number outside 0..15, or after->shot_number not one
 * more); `after` and `restored` are unchanged in those cases. */
CURLING_API int32_t ApplyFreeGuardZone(const GAMESTATE *before, GAMESTATE *after, int32_t rule,
                                       uint32_t *restored);

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus) && __cplusplus >= 201703L
/* The sheet in single precision, for C++ programs that reason in floats as
 * the library does: every part of this project takes its lines from here. */
namespace curling {
inline constexpr float TEE_X = CURLING_FLOAT(CURLING_CENTRE_X);
inline constexpr float TEE_Y = CURLING_FLOAT(CURLING_TEE_Y);
inline constexpr float STONE_RADIUS = CURLING_FLOAT(CURLING_STONE_RADIUS);
inline constexpr float SHEET_WIDTH = CURLING_FLOAT(CURLING_SHEET_WIDTH);
inline constexpr float HOUSE_REACH = CURLING_FLOAT(CURLING_HOUSE_REACH);
inline constexpr float HOUSE_REACH_SQ = CURLING_FLOAT(CURLING_HOUSE_REACH_SQ);
inline constexpr float HOG_LINE_Y = CURLING_FLOAT(CURLING_HOG_LINE_Y);
inline constexpr float BACK_LINE_Y = CURLING_FLOAT(CURLING_BACK_LINE_Y);
inline constexpr float RELEASE_Y = CURLING_FLOAT(CURLING_RELEASE_Y);
inline constexpr int STONES = CURLING_STONES;
inline constexpr int MAX_ENDS = CURLING_MAX_ENDS;

inline float tee_distance_sq(StonePosition stone) { return curling_tee_distance_sq(stone); }
inline bool in_house(StonePosition stone) { return curling_in_house(stone) != 0; }
}  // namespace curling
#endif

#endif
