#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "curling_simulator.h"

// The one drawing of the sheet, used by the stills, the replay page and the
// analysis page alike. The sheet is drawn in metres inside groups scaled to
// pixels; every text is drawn outside that scale, at its size in pixels, so
// a converter lays glyphs out at the size they are seen. The picture shows
// the far end from a little before the far hog line to a little past the
// back line, seen from above with x to the right and the thrower at the top
// (y grows up the picture), so the picture keeps the coordinates'
// handedness.

inline constexpr double VIEW_Y_TOP = CURLING_HOG_LINE_Y + 0.5;
inline constexpr double VIEW_Y_BOTTOM = CURLING_BACK_LINE_Y - 0.45;
inline constexpr double VIEW_WIDTH = CURLING_SHEET_WIDTH;
inline constexpr double VIEW_HEIGHT = VIEW_Y_TOP - VIEW_Y_BOTTOM;
// Pixels per metre of a still when nothing else is asked for.
inline constexpr double STILL_PIXELS_PER_METRE = 80.0;

using Position = std::array<StonePosition, CURLING_STONES>;

// Drawing coordinates of a point of the sheet.
inline double drawing_x(double x) { return x; }
inline double drawing_y(double y) { return VIEW_Y_TOP - y; }

// (0, 0) marks an empty slot in every record.
inline bool empty_slot(StonePosition stone) { return stone.x == 0.0f && stone.y == 0.0f; }

inline bool same_position(const Position& a, const Position& b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].x != b[k].x || a[k].y != b[k].y) {
            return false;
        }
    }
    return true;
}

// Side of the stone in slot `slot` of an end that `first_side` opened.
inline int side_of_slot(int first_side, int slot) { return slot % 2 == 0 ? first_side : 1 - first_side; }

struct StoneMark {
    int slot;
    int side;
    double x;
    double y;
    bool faded = false;  // drawn lighter: a position before a shot
    bool counting = false;  // would score if the end ended now
};

struct PathMark {
    int side;
    bool thrown;  // the delivered stone; struck stones are drawn dashed
    std::vector<std::array<double, 2>> points;
};

struct DotMark {
    int side;
    double x;
    double y;
};

// The sampled outcomes of one shot and the point it was aimed at, drawn as
// one group that a page shows or hides (class "shown").
struct CloudMark {
    int key = 0;  // the group's data-candidate
    std::vector<DotMark> dots;
    bool aimed = false;
    double aim_x = 0;
    double aim_y = 0;
    bool shown = true;
};

struct SheetScene {
    std::vector<StoneMark> stones;
    std::vector<PathMark> paths;
    std::vector<CloudMark> clouds;  // sampled outcomes
    std::string caption;        // drawn across the top; may be empty
    // Under the caption: which colour is which player (when named) and a
    // line on the game (the score, the hammer), when not empty.
    std::optional<std::array<std::string, 2>> legend;
    std::string game_line;
    std::string note;  // a last line under the caption (what a rule did), when not empty
    bool guard_zone = false;  // the free guard zone drawn on the ice
    std::string id;             // id of the <svg> element; may be empty
    double pixels_per_metre = STILL_PIXELS_PER_METRE;
    bool house_only = false;    // crop to the house and a little in front of it
    // When 0 or 1 (the side that threw stone 0): a hidden stone per slot
    // that a page's script places to preview another outcome.
    int preview_first_side = -1;
};

// The stones of a position: every occupied slot, sides from `first_side`.
std::vector<StoneMark> stones_of(const Position& position, int first_side, bool faded = false);

// Faded marks where `played` left a stone that `shown` has elsewhere or not
// at all: what a shot did before a rule undid it.
std::vector<StoneMark> undone_stones(const Position& played, const Position& shown, int first_side);

// A whole standalone picture: <svg> with its own style.
std::string sheet_svg(const SheetScene& scene);

// One stone as drawn, centred on (0, 0) in metres, for the page to clone and
// move; its number is drawn at its size in pixels for a sheet of
// `pixels_per_metre`.
std::string stone_svg_body(int slot, double pixels_per_metre);

// Team colours as players say them, by side.
inline constexpr const char* SIDE_COLOUR[2] = {"red", "yellow"};

// A stone as players name it: its team's colour and its number in the
// team's throwing order, "red 3" (slot 4 of an end red opened).
std::string stone_name(int slot, int first_side);

// Escapes text for XML and HTML.
std::string xml_escape(const std::string& text);

// A coordinate of the drawing with 0.1 mm resolution.
std::string drawing_number(double value);
