#include "view/sheet_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Shared by the stills and both pages, so every picture looks the same.
constexpr const char* SHEET_STYLE = R"(
svg.sheet .ice { fill: #f6fafc; }
svg.sheet .guard-zone { fill: #e3ecd6; }
svg.sheet .ring12 { fill: #3b7dd8; } svg.sheet .ring8 { fill: #ffffff; } svg.sheet .ring4 { fill: #d94848; } svg.sheet .button { fill: #ffffff; }
svg.sheet .ring-edge { fill: none; stroke: #1d3557; stroke-width: 0.01; }
svg.sheet .line { stroke: #263041; stroke-width: 0.018; }
svg.sheet .hog { stroke: #8a1c1c; stroke-width: 0.05; }
svg.sheet .side { fill: none; stroke: #263041; stroke-width: 0.04; }
svg.sheet text { font-family: "DejaVu Sans", sans-serif; }
svg.sheet .label { fill: #6b7684; }
svg.sheet .caption, svg.sheet .game-line { fill: #263041; }
svg.sheet .caption { font-weight: bold; }
svg.sheet .caption-band { fill: #ffffff; }
svg.sheet .key0 { fill: #d62828; } svg.sheet .key1 { fill: #e0ad00; }
svg.sheet .granite { fill: #9ba1a8; stroke: #474c52; stroke-width: 0.012; }
svg.sheet .s0 .cap { fill: #d62828; } svg.sheet .s1 .cap { fill: #f4c20d; }
svg.sheet .stone text { font-weight: bold; text-anchor: middle; }
svg.sheet .stone.counting .granite { stroke: #111827; stroke-width: 0.03; }
svg.sheet .s0 text { fill: #ffffff; } svg.sheet .s1 text { fill: #3b2f00; }
svg.sheet .faded { opacity: 0.35; }
svg.sheet.previewing .stones, svg.sheet.previewing .paths { opacity: 0.12; }
svg.sheet .path { fill: none; stroke-width: 0.028; stroke-linecap: round; stroke-linejoin: round; opacity: 0.75; }
svg.sheet .path.s0 { stroke: #d62828; } svg.sheet .path.s1 { stroke: #c89b00; }
svg.sheet .path.struck { stroke-dasharray: 0.07 0.05; }
svg.sheet .cloud:not(.shown) { display: none; }
svg.sheet .aim { stroke: #1f2733; stroke-width: 0.03; stroke-linecap: round; }
svg.sheet .dot { opacity: 0.55; stroke: #1f2733; stroke-width: 0.006; } svg.sheet .dot.s0 { fill: #d62828; } svg.sheet .dot.s1 { fill: #c89b00; }
)";

constexpr double DOT_RADIUS = 0.05;
constexpr double AIM_ARM = 0.09;
constexpr double HOUSE_CROP_MARGIN = 1.0;
// Text sizes as lengths of the sheet, so a larger picture has larger text;
// each is turned into pixels before it is drawn.
constexpr double LABEL_SIZE = 0.13;
constexpr double CAPTION_SIZE = 0.15;
constexpr double STONE_NUMBER_SIZE = 0.13;
constexpr double LINE_HEIGHT = 1.45;  // of the text's size

// Where the sheet's metres land in the picture's pixels.
struct Frame {
    double scale;  // pixels per metre
    double band;   // pixels above the sheet
    double top;    // drawing y at the top of the sheet's part shown
    double x(double drawing) const { return drawing * scale; }
    double y(double drawing) const { return band + (drawing - top) * scale; }
    std::string transform() const {
        return "translate(0 " + drawing_number(band) + ") scale(" + drawing_number(scale) +
               ") translate(0 " + drawing_number(-top) + ")";
    }
};

std::string pixels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string text_at(const char* cls, double x, double y, double size, const std::string& content,
                    const char* anchor = "start") {
    return "<text class=\"" + std::string(cls) + "\" x=\"" + pixels(x) + "\" y=\"" + pixels(y) +
           "\" font-size=\"" + pixels(size) + "\" text-anchor=\"" + anchor + "\">" + content +
           "</text>";
}

std::string circle(const char* cls, double cx, double cy, double r) {
    return "<circle class=\"" + std::string(cls) + "\" cx=\"" + drawing_number(cx) + "\" cy=\"" +
           drawing_number(cy) + "\" r=\"" + drawing_number(r) + "\"/>";
}

std::string line(const char* cls, double x1, double y1, double x2, double y2) {
    return "<line class=\"" + std::string(cls) + "\" x1=\"" + drawing_number(x1) + "\" y1=\"" +
           drawing_number(y1) + "\" x2=\"" + drawing_number(x2) + "\" y2=\"" +
           drawing_number(y2) + "\"/>";
}

// The free guard zone lies between the tee line and the hog line, outside
// the house: the rings are drawn over it.
std::string background(bool guard_zone) {
    const double tee_x = drawing_x(CURLING_CENTRE_X);
    const double tee_y = drawing_y(CURLING_TEE_Y);
    std::string out;
    out += "<rect class=\"ice\" x=\"0\" y=\"0\" width=\"" + drawing_number(VIEW_WIDTH) +
           "\" height=\"" + drawing_number(VIEW_HEIGHT) + "\"/>";
    if (guard_zone) {
        const double hog_y = drawing_y(CURLING_HOG_LINE_Y);
        out += "<rect class=\"guard-zone\" x=\"0\" y=\"" + drawing_number(hog_y) + "\" width=\"" +
               drawing_number(VIEW_WIDTH) + "\" height=\"" + drawing_number(tee_y - hog_y) + "\"/>";
    }
    out += "<g class=\"house\">";
    out += circle("ring12", tee_x, tee_y, CURLING_HOUSE_RADIUS);
    out += circle("ring8", tee_x, tee_y, CURLING_RING_8FT_RADIUS);
    out += circle("ring4", tee_x, tee_y, CURLING_RING_4FT_RADIUS);
    out += circle("button", tee_x, tee_y, CURLING_BUTTON_RADIUS);
    out += circle("ring-edge", tee_x, tee_y, CURLING_HOUSE_RADIUS);
    out += "</g>";
    out += line("line tee-line", 0, tee_y, VIEW_WIDTH, tee_y);
    out += line("line centre-line", tee_x, 0, tee_x, VIEW_HEIGHT);
    out += line("line back-line", 0, drawing_y(CURLING_BACK_LINE_Y), VIEW_WIDTH,
                drawing_y(CURLING_BACK_LINE_Y));
    out += line("hog hog-line", 0, drawing_y(CURLING_HOG_LINE_Y), VIEW_WIDTH,
                drawing_y(CURLING_HOG_LINE_Y));
    out += "<rect class=\"side\" x=\"0\" y=\"0\" width=\"" + drawing_number(VIEW_WIDTH) +
           "\" height=\"" + drawing_number(VIEW_HEIGHT) + "\"/>";
    return out;
}

std::string line_labels(const Frame& frame, bool guard_zone) {
    const double size = LABEL_SIZE * frame.scale;
    const auto label = [&](double drawing_y, const char* name) {
        return text_at("label", frame.x(0.06), frame.y(drawing_y), size, name);
    };
    std::string out = label(drawing_y(CURLING_TEE_Y) - 0.05, "tee line") +
                      label(drawing_y(CURLING_BACK_LINE_Y) - 0.05, "back line");
    if (drawing_y(CURLING_HOG_LINE_Y) > frame.top) {
        out += label(drawing_y(CURLING_HOG_LINE_Y) + 0.17, "hog line");
    }
    if (guard_zone && drawing_y(CURLING_HOG_LINE_Y) + 0.4 > frame.top) {
        out += label(drawing_y(CURLING_HOG_LINE_Y) + 0.4, "free guard zone");
    }
    return out;
}

// The caption, the colours' players and the game line, one line each.
std::string header(const SheetScene& scene, double scale, double& height) {
    std::string out;
    height = 0;
    const double width = VIEW_WIDTH * scale;
    const auto line = [&](const char* cls, double size, const std::string& content,
                          std::size_t characters) {
        // A line that would not fit (long player names) gets a smaller font
        // rather than being cut at the picture's edges; converters do not
        // all stretch text to a length.
        size = std::min(size, (width - 8) / (0.6 * static_cast<double>(std::max<std::size_t>(characters, 1))));
        height += size * LINE_HEIGHT;
        out += text_at(cls, width / 2, height - size * 0.4, size, content, "middle");
    };
    if (!scene.caption.empty()) {
        line("caption", CAPTION_SIZE * scale, xml_escape(scene.caption), scene.caption.size());
    }
    if (scene.legend) {
        std::string keys;
        std::size_t characters = 20;
        for (int side = 0; side < 2; ++side) {
            characters += (*scene.legend)[static_cast<std::size_t>(side)].size();
            keys += std::string(side == 0 ? "" : "\u2003") + "<tspan class=\"key" +
                    std::to_string(side) + "\">\u25cf</tspan> " + SIDE_COLOUR[side] + ": " +
                    xml_escape((*scene.legend)[static_cast<std::size_t>(side)]);
        }
        line("game-line", LABEL_SIZE * scale, keys, characters);
    }
    if (!scene.game_line.empty()) {
        line("game-line", LABEL_SIZE * scale, xml_escape(scene.game_line), scene.game_line.size());
    }
    if (!scene.note.empty()) {
        line("game-line note", LABEL_SIZE * scale, xml_escape(scene.note), scene.note.size());
    }
    if (height > 0) {
        height += LABEL_SIZE * scale * 0.3;
    }
    return out;
}

std::string stone_group(const StoneMark& stone, double scale) {
    std::string cls = "stone s" + std::to_string(stone.side);
    if (stone.faded) {
        cls += " faded";
    }
    if (stone.counting) {
        cls += " counting";
    }
    return "<g class=\"" + cls + "\" data-slot=\"" + std::to_string(stone.slot) +
           "\" transform=\"translate(" + drawing_number(drawing_x(stone.x)) + " " +
           drawing_number(drawing_y(stone.y)) + ")\">" + stone_svg_body(stone.slot, scale) +
           "</g>";
}

std::string path_element(const PathMark& path) {
    std::string points;
    for (const auto& point : path.points) {
        if (!points.empty()) {
            points += ' ';
        }
        points += drawing_number(drawing_x(point[0])) + "," + drawing_number(drawing_y(point[1]));
    }
    return "<polyline class=\"path s" + std::to_string(path.side) +
           (path.thrown ? "" : " struck") + "\" points=\"" + points + "\"/>";
}

std::string cloud_group(const CloudMark& cloud) {
    std::string out = "<g class=\"cloud" + std::string(cloud.shown ? " shown" : "") +
                      "\" data-candidate=\"" + std::to_string(cloud.key) + "\">";
    for (const DotMark& dot : cloud.dots) {
        out += "<circle class=\"dot s" + std::to_string(dot.side) + "\" cx=\"" +
               drawing_number(drawing_x(dot.x)) + "\" cy=\"" + drawing_number(drawing_y(dot.y)) +
               "\" r=\"" + drawing_number(DOT_RADIUS) + "\"/>";
    }
    if (cloud.aimed) {
        // A cross over the dots, so the aim stays visible inside a dense cloud.
        const double x = drawing_x(cloud.aim_x);
        const double y = drawing_y(cloud.aim_y);
        out += "<g class=\"aim\" data-x=\"" + drawing_number(cloud.aim_x) + "\" data-y=\"" +
               drawing_number(cloud.aim_y) + "\">" +
               line("aim", x - AIM_ARM, y - AIM_ARM, x + AIM_ARM, y + AIM_ARM) +
               line("aim", x - AIM_ARM, y + AIM_ARM, x + AIM_ARM, y - AIM_ARM) + "</g>";
    }
    return out + "</g>";
}

}  // namespace

std::vector<StoneMark> stones_of(const Position& position, int first_side, bool faded) {
    std::vector<StoneMark> stones;
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        const StonePosition stone = position[static_cast<std::size_t>(slot)];
        if (!empty_slot(stone)) {
            stones.push_back(StoneMark{slot, side_of_slot(first_side, slot), stone.x, stone.y, faded});
        }
    }
    return stones;
}

std::vector<StoneMark> undone_stones(const Position& played, const Position& shown, int first_side) {
    std::vector<StoneMark> stones;
    for (const StoneMark& stone : stones_of(played, first_side, true)) {
        const StonePosition now = shown[static_cast<std::size_t>(stone.slot)];
        if (static_cast<float>(stone.x) != now.x || static_cast<float>(stone.y) != now.y) {
            stones.push_back(stone);
        }
    }
    return stones;
}

std::string stone_svg_body(int slot, double pixels_per_metre) {
    // Each side counts its own stones 1 to 8, as players do. The number is
    // drawn in pixels: a font a tenth of a unit high is laid out badly by
    // converters, whatever the scale around it.
    const std::string number = std::to_string(slot / 2 + 1);
    return "<circle class=\"granite\" r=\"" + drawing_number(CURLING_STONE_RADIUS) +
           "\"/><circle class=\"cap\" r=\"0.1\"/><text transform=\"scale(" +
           drawing_number(1.0 / pixels_per_metre) + ")\" y=\"" +
           pixels(STONE_NUMBER_SIZE * pixels_per_metre * 0.35) + "\" font-size=\"" +
           pixels(STONE_NUMBER_SIZE * pixels_per_metre) + "\">" + number + "</text>";
}

std::string stone_name(int slot, int first_side) {
    return std::string(SIDE_COLOUR[side_of_slot(first_side, slot)]) + " " +
           std::to_string(slot / 2 + 1);
}

std::string sheet_svg(const SheetScene& scene) {
    const double scale = scene.pixels_per_metre;
    double band = 0;
    const std::string head = header(scene, scale, band);
    const double top =
        scene.house_only ? drawing_y(CURLING_TEE_Y + CURLING_HOUSE_RADIUS + HOUSE_CROP_MARGIN) : 0.0;
    const Frame frame{scale, band, top};
    const double width = VIEW_WIDTH * scale;
    const double height = band + (VIEW_HEIGHT - top) * scale;
    const std::string id = scene.id.empty() ? "sheet" : scene.id;
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\"";
    if (!scene.id.empty()) {
        out += " id=\"" + xml_escape(scene.id) + "\"";
    }
    out += " class=\"sheet\" viewBox=\"0 0 " + pixels(width) + " " + pixels(height) +
           "\" width=\"" + pixels(width) + "\" height=\"" + pixels(height) + "\">";
    out += "<style>" + std::string(SHEET_STYLE) + "</style>";
    // Paths end at the ice's edge: a thrown stone comes from beyond the
    // picture's top, and its path must not run over the caption.
    const std::string clip = xml_escape(id) + "-ice";
    out += "<defs><clipPath id=\"" + clip + "\"><rect x=\"0\" y=\"" + drawing_number(top) +
           "\" width=\"" + drawing_number(VIEW_WIDTH) + "\" height=\"" +
           drawing_number(VIEW_HEIGHT - top) + "\"/></clipPath></defs>";
    out += "<g class=\"ground\" transform=\"" + frame.transform() + "\">" + background(scene.guard_zone) + "</g>";
    out += line_labels(frame, scene.guard_zone);
    out += "<g class=\"play\" transform=\"" + frame.transform() + "\"><g class=\"paths\" clip-path=\"url(#" +
           clip + ")\">";
    for (const PathMark& path : scene.paths) {
        out += path_element(path);
    }
    out += "</g><g class=\"dots\">";
    for (const CloudMark& cloud : scene.clouds) {
        out += cloud_group(cloud);
    }
    out += "</g><g class=\"stones\">";
    for (const StoneMark& stone : scene.stones) {
        out += stone_group(stone, scale);
    }
    out += "</g>";
    if (scene.preview_first_side >= 0) {
        out += "<g class=\"preview\">";
        for (int slot = 0; slot < CURLING_STONES; ++slot) {
            out += "<g class=\"stone s" + std::to_string(side_of_slot(scene.preview_first_side, slot)) +
                   "\" data-slot=\"" + std::to_string(slot) + "\" style=\"display:none\">" +
                   stone_svg_body(slot, scale) + "</g>";
        }
        out += "</g>";
    }
    out += "</g>";
    // Last, so what lies beyond a cropped sheet's top stays under it.
    if (band > 0) {
        out += "<rect class=\"caption-band\" x=\"0\" y=\"0\" width=\"" + pixels(width) +
               "\" height=\"" + pixels(band) + "\"/>" + head;
    }
    return out + "</svg>";
}

std::string xml_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string drawing_number(double value) {
    if (!std::isfinite(value)) {
        return "0";
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    // Trailing zeros only make files larger.
    std::string text = buffer;
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    if (text == "-0") {
        text = "0";
    }
    return text;
}
