// Constants of the sheet and of the physical model, and the universal
// free-flight curve of a sliding, curling stone.
//
// Internal coordinates: metres, u = x - 2.375 (across the sheet, 0 on the
// centre line, so that mirroring about the centre line is an exact negation)
// and y (along the sheet, as in `stones`). Speeds in m/s, times in seconds.
// The public interface converts from and to the library's units (0.1 m/s).
#pragma once

#include <cstdint>

#include "curling_simulator.h"

namespace curling::physics {

// ---- Sheet (World Curling rules; see README.md) ---------------------------
// The lines come from the public header; the model keeps the sums it was
// calibrated with, which are checked against the header's values below.
inline constexpr double SHEET_WIDTH = CURLING_SHEET_WIDTH;
inline constexpr double CENTRE_X = CURLING_CENTRE_X;
inline constexpr double TEE_Y = CURLING_TEE_Y;
inline constexpr double STONE_RADIUS = CURLING_STONE_RADIUS;
inline constexpr double HOUSE_RADIUS = CURLING_HOUSE_RADIUS;
inline constexpr double HOG_LINE_Y = TEE_Y + 6.401;     // far hog line, 11.281
inline constexpr double BACK_LINE_Y = TEE_Y - 1.829;    // far back line, 3.051
inline constexpr double RELEASE_Y = TEE_Y + 28.346;    // near hog line, 33.226
inline constexpr double NEAR_BACK_LINE_Y = TEE_Y + 34.75 + 1.829;  // 41.459
inline constexpr double VELOCITY_UNIT = CURLING_VELOCITY_UNIT;
static_assert(BACK_LINE_Y == CURLING_BACK_LINE_Y && RELEASE_Y == CURLING_RELEASE_Y &&
              NEAR_BACK_LINE_Y == CURLING_NEAR_BACK_LINE_Y);
// The hog-line sum lands one double below 11.281; only its clear line is
// used, and that one is exact.
static_assert(HOG_LINE_Y - CURLING_HOG_LINE_Y < 1e-12 && CURLING_HOG_LINE_Y - HOG_LINE_Y < 1e-12);

// A stone is in play while it touches no side line (|u| < MAX_ABS_U), has not
// completely crossed the far back line (y >= MIN_Y) and has not completely
// crossed the near back line either (y <= MAX_Y, only a stone knocked back
// the whole length of the sheet gets there).
inline constexpr double MAX_ABS_U = CENTRE_X - STONE_RADIUS;     // 2.23
inline constexpr double MIN_Y = BACK_LINE_Y - STONE_RADIUS;      // 2.906
inline constexpr double MAX_Y = NEAR_BACK_LINE_Y + STONE_RADIUS;
// A delivered stone has completely crossed the far hog line when y < this.
inline constexpr double HOG_CLEAR_Y = HOG_LINE_Y - STONE_RADIUS;  // 11.136
static_assert(HOG_CLEAR_Y == CURLING_HOG_CLEAR_Y);

// ---- Motion on the ice ------------------------------------------------------
// Constant friction deceleration along the velocity: mu * g with
// mu = 0.01606, g = 9.80665 m/s^2.
inline constexpr double DECEL = 0.1575;
// Sideways curl acceleration a_perp = CURL_K * v / (v^2 + CURL_VC^2) toward
// the side the stone rotates to; its heading then turns at the rate
// CURL_K / (v^2 + CURL_VC^2).
inline constexpr double CURL_K = 0.020;   // m^2/s^3
inline constexpr double CURL_VC = 0.3;    // m/s
// Heading turned between speed v and rest: CURL_C * atan(v / CURL_VC).
inline constexpr double CURL_C = CURL_K / (DECEL * CURL_VC);
// Largest acceleration of a sliding stone (friction and curl together):
// |a|^2 <= DECEL^2 + (CURL_K / (2 CURL_VC))^2.
inline constexpr double MAX_ACCEL = 0.16100;
// Angular velocity of a delivered stone per unit of speed (rad/m): spin and
// slide stop together, omega = rho * v along a free path.
inline constexpr double SPIN_PER_SPEED = 0.44;
// Largest speed of a stone (m/s): faster shots are slowed to it.
inline constexpr double MAX_SPEED = 10.0;

// ---- Collisions -------------------------------------------------------------
inline constexpr double RESTITUTION = 0.9;
inline constexpr double STONE_FRICTION = 0.05;
// Two stones closer than 2R + TOUCH_TOL touch (frozen stones included: a
// position that went through a 32-bit float is off by up to half a micrometre).
inline constexpr double TOUCH_TOL = 1e-6;
// Resting contact: after an impulse slower than SLOW_CONTACT, the same two
// stones collide again only once they overlap by CONTACT_SLOP (or after they
// have parted by more than CONTACT_SLOP). A stone curling into a resting one would otherwise strike
// it again and again at ever shorter intervals (a Zeno cascade); with the
// slop the bounces are a tenth of a millimetre apart, at most a few a second.
inline constexpr double SLOW_CONTACT = 0.05;  // m/s
inline constexpr double CONTACT_SLOP = 1e-4;  // m

// ---- Universal curve --------------------------------------------------------
// For a stone curling toward its left (counter-clockwise rotation, s = +1),
// with heading psi(v) = -CURL_C * atan(v / CURL_VC) relative to its heading
// at rest:
//   Q(v) = -integral_0^v (w / DECEL) * exp(i psi(w)) dw    (metres)
//   U(v) = exp(i psi(v))                                     (unit vector)
// (dp/dv = -(v / DECEL) * heading, as the speed falls at the rate DECEL.)
// A stone at speed v lies at p_rest + R * Q_s(v) and moves along R * U_s(v),
// R being the rotation to its heading at rest; s = -1 mirrors (conjugates)
// both, s = 0 (no rotation) is the straight line Q = -v^2 / (2 DECEL), U = 1.
struct Vec2 {
    double x;
    double y;
};

struct CurvePoint {
    Vec2 q;  // Q_s(v)
    Vec2 u;  // U_s(v)
};

// Q_s and U_s at speed v (clamped to [0, table top]) by cubic Hermite
// interpolation of a table with exact derivatives (error below 1e-7 m).
CurvePoint curve_at(double v, int s) noexcept;
Vec2 curve_q(double v, int s) noexcept;
// Exact (quadrature, not tabulated) values, for tests.
CurvePoint curve_exact(double v, int s) noexcept;
// Heading psi_s(v) of the curve in closed form.
double curve_heading(double v, int s) noexcept;

}  // namespace curling::physics
