#include "view/heat_map_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "view/sheet_svg.h"

namespace view {

namespace {

constexpr double CELL_W = 2.0;
constexpr double CELL_H = 15.0;
constexpr double LEFT = 92.0;
constexpr double PANEL_GAP = 34.0;
constexpr double TOP = 30.0;

struct Scale {
    float low;
    float high;
};

std::string colour(float value, Scale scale) {
    // A perceptually even ramp from dark blue through green to yellow.
    static constexpr std::array<std::array<double, 3>, 5> RAMP{{{68, 1, 84},
                                                               {59, 82, 139},
                                                               {33, 145, 140},
                                                               {94, 201, 98},
                                                               {253, 231, 37}}};
    double u = scale.high > scale.low ? (value - scale.low) / (scale.high - scale.low) : 0.5;
    u = std::clamp(u, 0.0, 1.0) * (RAMP.size() - 1);
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(u), RAMP.size() - 2);
    const double f = u - static_cast<double>(k);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x",
                  static_cast<int>(std::lround(RAMP[k][0] + (RAMP[k + 1][0] - RAMP[k][0]) * f)),
                  static_cast<int>(std::lround(RAMP[k][1] + (RAMP[k + 1][1] - RAMP[k][1]) * f)),
                  static_cast<int>(std::lround(RAMP[k][2] + (RAMP[k + 1][2] - RAMP[k][2]) * f)));
    return text;
}

bool played_row(const SweepSearch& search, int row) {
    return search.mixing[row].kind != RowMixKind::MINUS_TEN;
}

Scale shared_scale(const Decision& decision) {
    const SearchTrace& trace = decision.trace;
    Scale scale{std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()};
    for (std::int32_t s = 0; s < SPIN_GROUPS; ++s) {
        for (std::int32_t r = 0; r < trace.grid.rows; ++r) {
            if (!played_row(*trace.search, r)) {
                continue;
            }
            for (std::int32_t i = 0; i < SWEEP_STEPS; ++i) {
                const std::size_t at = trace.grid.at(s, r, i);
                for (const float v : {trace.grid.raw_ratings[at], trace.grid.smoothed_ratings[at]}) {
                    if (std::isfinite(v)) {
                        scale.low = std::min(scale.low, v);
                        scale.high = std::max(scale.high, v);
                    }
                }
            }
        }
    }
    if (scale.low > scale.high) {
        scale = Scale{0, 1};
    }
    // The bar reads against 0 and against the position as it stands.
    for (const float v : {0.0f, trace.standing_rating}) {
        scale.low = std::min(scale.low, v);
        scale.high = std::max(scale.high, v);
    }
    return scale;
}

std::string number(double value, const char* format = "%.4g") {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string rect(double x, double y, double w, double h, const std::string& fill,
                 const std::string& extra = "") {
    return "<rect x=\"" + number(x, "%.1f") + "\" y=\"" + number(y, "%.1f") + "\" width=\"" +
           number(w, "%.1f") + "\" height=\"" + number(h, "%.1f") + "\" fill=\"" + fill + "\"" +
           extra + "/>";
}

std::string text(double x, double y, const std::string& content, const char* anchor = "start",
                 const char* cls = "") {
    return "<text x=\"" + number(x, "%.1f") + "\" y=\"" + number(y, "%.1f") +
           "\" text-anchor=\"" + anchor + "\" class=\"" + cls + "\">" + xml_escape(content) +
           "</text>";
}

double column_x(double i) { return LEFT + i * CELL_W; }

std::string panel(const Decision& decision, HeatMapKind kind, int spin, double top, Scale scale) {
    const SearchTrace& trace = decision.trace;
    const SweepSearch& search = *trace.search;
    const std::vector<float>& values =
        kind == HeatMapKind::RAW ? trace.grid.raw_ratings : trace.grid.smoothed_ratings;
    std::string out = text(0, top - 8,
                           spin == 0 ? "spin 0 (curls toward +x)" : "spin 1 (curls toward \u2212x)",
                           "start", "panel-title");
    for (int r = 0; r < search.rows; ++r) {
        const double y = top + r * CELL_H;
        out += text(LEFT - 6, y + CELL_H * 0.7, "vy " + number(search.row_vy[r], "%.2f"), "end");
        if (!played_row(search, r) && kind == HeatMapKind::SMOOTHED) {
            out += rect(column_x(0), y, SWEEP_STEPS * CELL_W, CELL_H, "url(#unplayed)");
            continue;
        }
        // Equal neighbours share one rectangle: a smaller file, the same picture.
        int run_start = 0;
        std::string run_fill;
        for (int i = 0; i <= SWEEP_STEPS; ++i) {
            std::string fill;
            if (i < SWEEP_STEPS) {
                const std::size_t at = trace.grid.at(spin, r, i);
                const bool unrated = kind == HeatMapKind::RAW && trace.swept[at] == UNRATED;
                fill = unrated ? "#c9ced6" : colour(values[at], scale);
            }
            if (fill != run_fill) {
                if (!run_fill.empty()) {
                    out += rect(column_x(run_start), y, (i - run_start) * CELL_W, CELL_H, run_fill);
                }
                run_start = i;
                run_fill = fill;
            }
        }
        // The plateau: every smoothed cell equal to the best value.
        int plateau_start = -1;
        for (int i = 0; i <= SWEEP_STEPS; ++i) {
            const bool on = i < SWEEP_STEPS &&
                            trace.grid.smoothed_ratings[trace.grid.at(spin, r, i)] == decision.best;
            if (on && plateau_start < 0) {
                plateau_start = i;
            }
            if (!on && plateau_start >= 0) {
                out += rect(column_x(plateau_start), y + 1, (i - plateau_start) * CELL_W,
                            CELL_H - 2, "none", " class=\"plateau\"");
                plateau_start = -1;
            }
        }
    }
    if (decision.chosen_row >= 0 && decision.shot.spin == spin) {
        const double cx = column_x(decision.chosen_index + 0.5);
        const double cy = top + (decision.chosen_row + 0.5) * CELL_H;
        out += "<g class=\"chosen\" data-spin=\"" + std::to_string(spin) + "\" data-row=\"" +
               std::to_string(decision.chosen_row) + "\" data-index=\"" +
               std::to_string(decision.chosen_index) + "\"><circle cx=\"" + number(cx, "%.1f") +
               "\" cy=\"" + number(cy, "%.1f") + "\" r=\"5.5\"/><line x1=\"" +
               number(cx, "%.1f") + "\" y1=\"" + number(top - 4, "%.1f") + "\" x2=\"" +
               number(cx, "%.1f") + "\" y2=\"" + number(top + search.rows * CELL_H + 4, "%.1f") +
               "\"/></g>";
    }
    // vx axis.
    const double axis_y = top + search.rows * CELL_H;
    for (int vx = -3; vx <= 3; ++vx) {
        const double i = (vx - SWEEP_VX_MIN) / (SWEEP_VX_MAX - SWEEP_VX_MIN) * (SWEEP_STEPS - 1);
        const double x = column_x(i + 0.5);
        out += "<line class=\"tick\" x1=\"" + number(x, "%.1f") + "\" y1=\"" +
               number(axis_y, "%.1f") + "\" x2=\"" + number(x, "%.1f") + "\" y2=\"" +
               number(axis_y + 4, "%.1f") + "\"/>";
        out += text(x, axis_y + 15, std::to_string(vx), "middle");
    }
    out += text(column_x(SWEEP_STEPS) + 4, axis_y + 15, "vx", "start");
    return out;
}

}  // namespace

std::string heat_map_svg(const Decision& decision, HeatMapKind kind) {
    if (decision.trace.search == nullptr) {
        return "";
    }
    const Scale scale = shared_scale(decision);
    const int rows = decision.trace.grid.rows;
    const double panel_height = rows * CELL_H + 20;
    const double width = LEFT + SWEEP_STEPS * CELL_W + 30;
    const double legend_top = TOP + 2 * (panel_height + PANEL_GAP) - 10;
    const double height = legend_top + 46;
    // The geometry of the cells, for the page's script to find the cell
    // under the pointer.
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"heat-map\" data-kind=\"" +
                      std::string(kind == HeatMapKind::RAW ? "raw" : "smoothed") +
                      "\" data-left=\"" + number(LEFT) + "\" data-cell-width=\"" + number(CELL_W) +
                      "\" data-cell-height=\"" + number(CELL_H) + "\" data-tops=\"" +
                      number(TOP + 14) + " " + number(TOP + 14 + panel_height + PANEL_GAP) +
                      "\" tabindex=\"0\" viewBox=\"0 0 " + number(width, "%.0f") + " " + number(height, "%.0f") +
                      "\" width=\"" + number(width, "%.0f") + "\" height=\"" +
                      number(height, "%.0f") + "\">";
    out += "<style>svg.heat-map text{font-family:sans-serif;font-size:11px;fill:#263041}"
           "svg.heat-map .title{font-size:13px;font-weight:bold}"
           "svg.heat-map .panel-title{font-weight:bold}"
           "svg.heat-map .plateau{stroke:#ffffff;stroke-width:1.6}"
           "svg.heat-map .chosen circle{fill:none;stroke:#e11d48;stroke-width:2.2}"
           "svg.heat-map .chosen line{stroke:#e11d48;stroke-width:1;stroke-dasharray:3 2}"
           "svg.heat-map .tick{stroke:#263041}svg.heat-map .tick.standing{stroke:#e11d48;stroke-width:2}"
           "svg.heat-map text.standing{fill:#e11d48}"
           "svg.heat-map .hovered{fill:none;stroke:#111827;stroke-width:1.5}</style>";
    out += "<defs><pattern id=\"unplayed\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">"
           "<rect width=\"6\" height=\"6\" fill=\"#eef0f3\"/><path d=\"M0 6L6 0\" stroke=\"#b8bec8\"/>"
           "</pattern></defs>";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>";
    out += text(0, 14,
                kind == HeatMapKind::RAW
                    ? "Raw ratings: one simulated candidate per cell (white outline: the plateau)"
                    : "Smoothed ratings: what the plateau rule compares (white outline: best value)",
                "start", "title");
    for (int spin = 0; spin < SPIN_GROUPS; ++spin) {
        out += panel(decision, kind, spin, TOP + 14 + spin * (panel_height + PANEL_GAP), scale);
    }
    // Colour legend.
    const double legend_x = LEFT;
    const double legend_w = SWEEP_STEPS * CELL_W * 0.6;
    for (int k = 0; k < 60; ++k) {
        const float v = scale.low + (scale.high - scale.low) * static_cast<float>(k) / 59.0f;
        out += rect(legend_x + k * legend_w / 60, legend_top, legend_w / 60 + 0.5, 10, colour(v, scale));
    }
    const auto tick = [&](float v, const std::string& name, double below, const char* cls) {
        const double x = legend_x + legend_w * (v - scale.low) / (scale.high - scale.low);
        out += "<line class=\"tick " + std::string(cls) + "\" x1=\"" + number(x, "%.1f") +
               "\" y1=\"" + number(legend_top - 3, "%.1f") + "\" x2=\"" + number(x, "%.1f") +
               "\" y2=\"" + number(legend_top + 13, "%.1f") + "\" data-value=\"" + number(v) + "\"/>";
        out += text(x, legend_top + below, name, "middle", cls);
    };
    if (scale.high > scale.low) {
        tick(scale.low, number(scale.low), 24, "bound");
        tick(scale.high, number(scale.high), 24, "bound");
        const double zero_x = legend_w * (0.0 - scale.low) / (scale.high - scale.low);
        tick(0.0f, zero_x > 24 && zero_x < legend_w - 24 ? "0" : "", 24, "zero");
        tick(decision.trace.standing_rating,
             "as it stands " + number(decision.trace.standing_rating), 36, "standing");
    }
    out += text(legend_x + legend_w + 10, legend_top + 9, "rating", "start");
    if (kind == HeatMapKind::RAW) {
        out += rect(legend_x + legend_w + 60, legend_top, 14, 10, "#c9ced6");
        out += text(legend_x + legend_w + 78, legend_top + 9,
                    "not simulated", "start");
    }
    out += "</svg>";
    return out;
}

}  // namespace view
