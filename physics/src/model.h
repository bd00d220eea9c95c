// Constants of the sheet and of the physical model, and the universal
// free-flight curve of a sliding, curling stone.
//
// Internal coordinates: metres, u = x - 2.375 (across the sheet, 0 on the
// centre line, so that mirroring about the centre line is an exact negation)
// and y (along the sheet, as in `stones`). Speeds in m/s, times in seconds.
// The public interface converts from and to the library's units (0.1 m/s).
#pragma once

#include <cstdint>

namespace curling::physics {

// ---- Sheet (World Curling rules; see README.md) ---------------------------
inline constexpr double kSheetWidth = 4.75;
inline constexpr double kCentreX = 2.375;         // x of the centre line
inline constexpr double kTeeY = 4.88;             // y of the far tee
inline constexpr double kStoneRadius = 0.145;
inline constexpr double kHouseRadius = 1.829;
inline constexpr double kHogLineY = kTeeY + 6.401;     // far hog line, 11.281
inline constexpr double kBackLineY = kTeeY - 1.829;    // far back line, 3.051
inline constexpr double kReleaseY = kTeeY + 28.346;    // near hog line, 33.226
inline constexpr double kNearBackLineY = kTeeY + 34.75 + 1.829;  // 41.459
inline constexpr double kVelocityUnit = 0.1;   // m/s per library velocity unit

// A stone is in play while it touches no side line (|u| < kMaxAbsU), has not
// completely crossed the far back line (y >= kMinY) and has not completely
// crossed the near back line either (y <= kMaxY, only a stone knocked back
// the whole length of the sheet gets there).
inline constexpr double kMaxAbsU = kCentreX - kStoneRadius;     // 2.23
inline constexpr double kMinY = kBackLineY - kStoneRadius;      // 2.906
inline constexpr double kMaxY = kNearBackLineY + kStoneRadius;
// A delivered stone has completely crossed the far hog line when y < this.
inline constexpr double kHogClearY = kHogLineY - kStoneRadius;  // 11.136

// ---- Motion on the ice ------------------------------------------------------
// Constant friction deceleration along the velocity: mu * g with
// mu = 0.01606, g = 9.80665 m/s^2.
inline constexpr double kDecel = 0.1575;
// Sideways curl acceleration a_perp = kCurlK * v / (v^2 + kCurlVc^2) toward
// the side the stone rotates to; its heading then turns at the rate
// kCurlK / (v^2 + kCurlVc^2).
inline constexpr double kCurlK = 0.020;   // m^2/s^3
inline constexpr double kCurlVc = 0.3;    // m/s
// Heading turned between speed v and rest: kCurlC * atan(v / kCurlVc).
inline constexpr double kCurlC = kCurlK / (kDecel * kCurlVc);
// Largest acceleration of a sliding stone (friction and curl together):
// |a|^2 <= kDecel^2 + (kCurlK / (2 kCurlVc))^2.
inline constexpr double kMaxAccel = 0.16100;
// Angular velocity of a delivered stone per unit of speed (rad/m): spin and
// slide stop together, omega = rho * v along a free path.
inline constexpr double kSpinPerSpeed = 0.44;
// Largest speed of a stone (m/s): faster shots are slowed to it.
inline constexpr double kMaxSpeed = 10.0;

// ---- Collisions -------------------------------------------------------------
inline constexpr double kRestitution = 0.9;
inline constexpr double kStoneFriction = 0.05;
// Two stones closer than 2R + kTouchTol touch (frozen stones included: a
// position that went through a 32-bit float is off by up to half a micrometre).
inline constexpr double kTouchTol = 1e-6;
// Resting contact: after an impulse slower than kSlowContact, the same two
// stones collide again only once they overlap by kContactSlop (or after they
// have parted by more than kContactSlop). A stone curling into a resting one would otherwise strike
// it again and again at ever shorter intervals (a Zeno cascade); with the
// slop the bounces are a tenth of a millimetre apart, at most a few a second.
inline constexpr double kSlowContact = 0.05;  // m/s
inline constexpr double kContactSlop = 1e-4;  // m

// ---- Universal curve --------------------------------------------------------
// For a stone curling toward its left (counter-clockwise rotation, s = +1),
// with heading psi(v) = -kCurlC * atan(v / kCurlVc) relative to its heading
// at rest:
//   Q(v) = -integral_0^v (w / kDecel) * exp(i psi(w)) dw    (metres)
//   U(v) = exp(i psi(v))                                     (unit vector)
// (dp/dv = -(v / kDecel) * heading, as the speed falls at the rate kDecel.)
// A stone at speed v lies at p_rest + R * Q_s(v) and moves along R * U_s(v),
// R being the rotation to its heading at rest; s = -1 mirrors (conjugates)
// both, s = 0 (no rotation) is the straight line Q = -v^2 / (2 kDecel), U = 1.
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
