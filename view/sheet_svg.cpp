#include "view/sheet_svg.h"

#include <cmath>
#include <cstdio>

namespace {

// Shared by the stills and both pages, so every picture looks the same.
constexpr const char* SHEET_STYLE = R"(
svg.sheet .ice { fill: #f6fafc; }
svg.sheet .ring12 { fill: #3b7dd8; } svg.sheet .ring8 { fill: #ffffff; } svg.sheet .ring4 { fill: #d94848; } svg.sheet .button { fill: #ffffff; }
svg.sheet .ring-edge { fill: none; stroke: #1d3557; stroke-width: 0.01; }
svg.sheet .line { stroke: #263041; stroke-width: 0.018; }
svg.sheet .hog { stroke: #8a1c1c; stroke-width: 0.05; }
svg.sheet .side { fill: none; stroke: #263041; stroke-width: 0.04; }
svg.sheet .label { font-family: sans-serif; font-size: 0.13px; fill: #6b7684; }
svg.sheet .caption { font-family: sans-serif; font-size: 0.17px; fill: #263041; }
svg.sheet .caption-band { fill: #ffffff; }
svg.sheet .granite { fill: #9ba1a8; stroke: #474c52; stroke-width: 0.012; }
svg.sheet .s0 .cap { fill: #d62828; } svg.sheet .s1 .cap { fill: #f4c20d; }
svg.sheet .stone text { font-family: sans-serif; font-weight: bold; font-size: 0.13px; text-anchor: middle; }
svg.sheet .s0 text { fill: #ffffff; } svg.sheet .s1 text { fill: #3b2f00; }
svg.sheet .faded { opacity: 0.35; }
svg.sheet .path { fill: none; stroke-width: 0.028; stroke-linecap: round; stroke-linejoin: round; opacity: 0.75; }
svg.sheet .path.s0 { stroke: #d62828; } svg.sheet .path.s1 { stroke: #c89b00; }
svg.sheet .path.struck { stroke-dasharray: 0.07 0.05; }
svg.sheet .cloud:not(.shown) { display: none; }
svg.sheet .aim { stroke: #1f2733; stroke-width: 0.03; stroke-linecap: round; }
svg.sheet .dot { opacity: 0.55; stroke: #1f2733; stroke-width: 0.006; } svg.sheet .dot.s0 { fill: #d62828; } svg.sheet .dot.s1 { fill: #c89b00; }
)";

constexpr double DOT_RADIUS = 0.05;
constexpr double AIM_ARM = 0.09;
constexpr double CAPTION_BAND = 0.34;
constexpr double HOUSE_CROP_MARGIN = 1.0;

std::string circle(const char* cls, double cx, double cy, double r) {
    return "<circle class=\"" + std::string(cls) + "\" cx=\"" + drawing_number(cx) + "\" cy=\"" +
           drawing_number(cy) + "\" r=\"" + drawing_number(r) + "\"/>";
}

std::string line(const char* cls, double x1, double y1, double x2, double y2) {
    return "<line class=\"" + std::string(cls) + "\" x1=\"" + drawing_number(x1) + "\" y1=\"" +
           drawing_number(y1) + "\" x2=\"" + drawing_number(x2) + "\" y2=\"" +
           drawing_number(y2) + "\"/>";
}

std::string label(double x, double y, const std::string& text) {
    return "<text class=\"label\" x=\"" + drawing_number(x) + "\" y=\"" + drawing_number(y) +
           "\">" + xml_escape(text) + "</text>";
}

std::string background() {
    const double tee_x = drawing_x(CURLING_CENTRE_X);
    const double tee_y = drawing_y(CURLING_TEE_Y);
    std::string out;
    out += "<rect class=\"ice\" x=\"0\" y=\"0\" width=\"" + drawing_number(VIEW_WIDTH) +
           "\" height=\"" + drawing_number(VIEW_HEIGHT) + "\"/>";
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
    out += label(0.06, drawing_y(CURLING_HOG_LINE_Y) + 0.17, "hog line");
    out += label(0.06, tee_y - 0.05, "tee line");
    out += label(0.06, drawing_y(CURLING_BACK_LINE_Y) - 0.05, "back line");
    return out;
}

std::string stone_group(const StoneMark& stone) {
    std::string cls = "stone s" + std::to_string(stone.side);
    if (stone.faded) {
        cls += " faded";
    }
    return "<g class=\"" + cls + "\" data-slot=\"" + std::to_string(stone.slot) +
           "\" transform=\"translate(" + drawing_number(drawing_x(stone.x)) + " " +
           drawing_number(drawing_y(stone.y)) + ")\">" + stone_svg_body(stone.slot, stone.side) +
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

std::string stone_svg_body(int slot, int side) {
    (void)side;
    // Each side counts its own stones 1 to 8, as players do.
    const std::string number = std::to_string(slot / 2 + 1);
    return "<circle class=\"granite\" r=\"" + drawing_number(CURLING_STONE_RADIUS) +
           "\"/><circle class=\"cap\" r=\"0.1\"/><text y=\"0.045\">" + number + "</text>";
}

std::string sheet_svg(const SheetScene& scene) {
    // A caption gets a band of its own above the ice; a crop only moves the
    // frame. Either way the drawing's coordinates stay the same.
    const double band = scene.caption.empty() ? 0.0 : CAPTION_BAND;
    const double top =
        scene.house_only ? drawing_y(CURLING_TEE_Y + CURLING_HOUSE_RADIUS + HOUSE_CROP_MARGIN) : 0.0;
    const double height = VIEW_HEIGHT - top + band;
    char size[96];
    std::snprintf(size, sizeof size, "width=\"%.0f\" height=\"%.0f\"",
                  VIEW_WIDTH * scene.pixels_per_metre, height * scene.pixels_per_metre);
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\"";
    if (!scene.id.empty()) {
        out += " id=\"" + xml_escape(scene.id) + "\"";
    }
    out += " class=\"sheet\" viewBox=\"0 " + drawing_number(top - band) + " " +
           drawing_number(VIEW_WIDTH) + " " + drawing_number(height) + "\" " + size + ">";
    out += "<style>" + std::string(SHEET_STYLE) + "</style>";
    if (band > 0) {
        out += "<rect class=\"caption-band\" x=\"0\" y=\"" + drawing_number(top - band) +
               "\" width=\"" + drawing_number(VIEW_WIDTH) + "\" height=\"" + drawing_number(band) +
               "\"/>";
    }
    out += background();
    out += "<g class=\"paths\">";
    for (const PathMark& path : scene.paths) {
        out += path_element(path);
    }
    out += "</g><g class=\"dots\">";
    for (const CloudMark& cloud : scene.clouds) {
        out += cloud_group(cloud);
    }
    out += "</g><g class=\"stones\">";
    for (const StoneMark& stone : scene.stones) {
        out += stone_group(stone);
    }
    out += "</g>";
    if (!scene.caption.empty()) {
        out += "<text class=\"caption\" x=\"" + drawing_number(VIEW_WIDTH / 2) +
               "\" y=\"" + drawing_number(top - band / 2 + 0.06) + "\" text-anchor=\"middle\">" + xml_escape(scene.caption) + "</text>";
    }
    out += "</svg>";
    return out;
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
