#include "sheet_io.h"

#include <cmath>
#include <cstring>

#include "motion.h"
#include "noise.h"

namespace curling::physics {

StonePosition record_position(Vec2 p, bool mirror) noexcept {
    // Rounding to single precision may carry a stone lying on an edge of play
    // over it, and the next shot would take it for a stone out of play that
    // still counts in the house. Such a stone is put on the nearest float
    // inside. The side lines are handled on the +u side, so the mirror image
    // stays exact.
    const double u = mirror ? -p.x : p.x;
    float right = static_cast<float>(CENTRE_X + std::fabs(u));
    if (std::fabs(p.x) < MAX_ABS_U) {
        while (!(static_cast<double>(right) - CENTRE_X < MAX_ABS_U)) right = std::nextafter(right, 0.0f);
    }
    float y = static_cast<float>(p.y);
    if (p.y >= MIN_Y && p.y <= MAX_Y) {
        while (static_cast<double>(y) < MIN_Y) y = std::nextafter(y, 100.0f);
        while (static_cast<double>(y) > MAX_Y) y = std::nextafter(y, 0.0f);
    }
    return StonePosition{u >= 0.0 ? right : 4.75f - right, y};
}

bool takes_part(StonePosition p) noexcept {
    if (p.x == 0.0f && p.y == 0.0f) return false;
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    return inside_play(Vec2{static_cast<double>(p.x) - CENTRE_X, static_cast<double>(p.y)});
}

void load_sheet(const GAMESTATE& state, bool mirror, Sheet& sheet) noexcept {
    for (int k = 0; k < STONES; ++k) {
        const StonePosition p = state.stones[k];
        sheet.removal[k] = Removal::NONE;
        if (!takes_part(p)) {
            sheet.slot[k] = Slot::ABSENT;
            sheet.pos[k] = Vec2{0.0, 0.0};
            continue;
        }
        double u = static_cast<double>(p.x) - CENTRE_X;
        if (mirror) u = -u;
        sheet.slot[k] = Slot::IN_PLAY;
        sheet.pos[k] = Vec2{u, static_cast<double>(p.y)};
    }
}

ShotVector to_shot(Vec2 vel, bool mirror) noexcept {
    ShotVector s;
    std::memset(&s, 0, sizeof s);
    const double vx = vel.x / VELOCITY_UNIT;
    s.vx = static_cast<float>(mirror ? -vx : vx);
    s.vy = static_cast<float>(vel.y / VELOCITY_UNIT);
    s.spin = mirror ? 1 : 0;
    return s;
}

namespace {

struct Recorder {
    TrajectoryFrames* out;
    const GAMESTATE* state;
    bool mirror;

    // Writes one frame at index `index`.
    void write(std::int32_t index, const Vec2* pos, const Slot* slot) const {
        StonePosition* f = out->frames + static_cast<std::ptrdiff_t>(index) * STONES;
        for (int k = 0; k < STONES; ++k) {
            if (slot[k] == Slot::IN_PLAY) {
                f[k] = record_position(pos[k], mirror);
            } else if (slot[k] == Slot::REMOVED) {
                f[k] = StonePosition{0.0f, 0.0f};
            } else {
                f[k] = state->stones[k];
            }
        }
    }

    static bool emit(void* context, double, const Vec2* pos, const Slot* slot) {
        auto* self = static_cast<Recorder*>(context);
        // keep the last slot for the final position
        if (self->out->written >= self->out->capacity - 1) return false;
        self->write(self->out->written, pos, slot);
        ++self->out->written;
        return true;
    }
};

}  // namespace

std::int32_t simulate_state(GAMESTATE& state, ShotVector shot, float spread, std::int32_t limit,
                            TrajectoryFrames* frames) noexcept {
    const std::int32_t n = state.shot_number;
    if (n < 0 || n >= STONES) return 0;
    double vx = shot.vx;
    double vy = shot.vy;
    if (spread > 0.0f && std::isfinite(spread)) {
        double z0 = 0.0;
        double z1 = 0.0;
        gaussian_pair(z0, z1);
        vx += spread * z0;
        vy += spread * z1;
    }
    const bool mirror = shot.spin != 0;
    Sheet sheet;
    load_sheet(state, mirror, sheet);
    Vec2 vel{vx * VELOCITY_UNIT, vy * VELOCITY_UNIT};
    if (mirror) vel.x = -vel.x;

    RunOptions options;
    options.time_limit = limit >= 0 ? limit * 0.001 : -1.0;
    // `state` keeps its values until run_shot returns: the recorder reads the
    // slots that take no part from it.
    Recorder recorder{frames, &state, mirror};
    FrameSink sink;
    if (frames != nullptr) {
        sink.interval = frames->interval;
        sink.context = &recorder;
        sink.emit = &Recorder::emit;
        options.sink = &sink;
    }
    const Sheet loaded = sheet;
    const RunResult r = run_shot(sheet, n, vel, +1, options);

    for (int k = 0; k < STONES; ++k) {
        // A stone the shot never moved keeps its exact bits: converting back
        // from the mirrored frame can round x by a few tenths of a micrometre,
        // and a resting stone must not creep from shot to shot.
        const bool unmoved = k != n && loaded.slot[k] == Slot::IN_PLAY && sheet.slot[k] == Slot::IN_PLAY &&
                             sheet.pos[k].x == loaded.pos[k].x && sheet.pos[k].y == loaded.pos[k].y;
        if (unmoved) continue;
        if (sheet.slot[k] == Slot::IN_PLAY) {
            state.stones[k] = record_position(sheet.pos[k], mirror);
        } else if (sheet.slot[k] == Slot::REMOVED) {
            state.stones[k] = StonePosition{0.0f, 0.0f};
        }
    }
    if (frames != nullptr) {
        // the final position, as Simulation leaves it, is always the last frame
        StonePosition* f = frames->frames + static_cast<std::ptrdiff_t>(frames->written) * STONES;
        for (int k = 0; k < STONES; ++k) f[k] = state.stones[k];
        ++frames->written;
    }
    state.shot_number = n + 1;
    state.moving_side = state.moving_side == 0 ? 1 : 0;
    return r.cut_short ? 2 : 1;
}

}  // namespace curling::physics
