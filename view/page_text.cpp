#include "view/page_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "view/sheet_svg.h"

std::string page_head(const std::string& title, const std::string& style) {
    return "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>" +
           xml_escape(title) + "</title>\n<style>" + style + "</style>\n</head>\n";
}

std::string format_number(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string script_data(const std::string& id, const nlohmann::json& data) {
    std::string text = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // "</" would end the script element early; "<\/" means the same in JSON.
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') {
            safe += "<\\/";
            ++i;
            continue;
        }
        safe += text[i];
    }
    return "<script type=\"application/json\" id=\"" + id + "\">" + safe + "</script>\n";
}

double short_float(float value) {
    if (!std::isfinite(value)) {
        return 0.0;
    }
    char buffer[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) {
            break;
        }
    }
    return std::strtod(buffer, nullptr);
}

double significant(double value) {
    if (!std::isfinite(value)) {
        return 0.0;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return std::strtod(buffer, nullptr);
}

long tenth_mm(double metres) { return std::lround(metres * 10000.0); }

nlohmann::json occupied(const Position& position) {
    nlohmann::json out = nlohmann::json::array();
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        const StonePosition stone = position[static_cast<std::size_t>(slot)];
        if (!empty_slot(stone)) {
            out.push_back({slot, tenth_mm(stone.x), tenth_mm(stone.y)});
        }
    }
    return out;
}

nlohmann::json changes(const Position& before, const Position& after) {
    nlohmann::json out = nlohmann::json::array();
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        const StonePosition a = before[static_cast<std::size_t>(slot)];
        const StonePosition b = after[static_cast<std::size_t>(slot)];
        if (a.x == b.x && a.y == b.y) {
            continue;
        }
        if (empty_slot(b)) {
            out.push_back({slot});
        } else {
            out.push_back({slot, tenth_mm(b.x), tenth_mm(b.y)});
        }
    }
    return out;
}
