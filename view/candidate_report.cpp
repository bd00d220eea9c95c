#include "view/candidate_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

using nlohmann::json;

std::string format(const char* pattern, double value) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string shot_text(ShotVector shot) {
    char text[96];
    std::snprintf(text, sizeof text, "%.4f %.4f %d", static_cast<double>(shot.vx),
                  static_cast<double>(shot.vy), static_cast<int>(shot.spin));
    return text;
}

Position position_from_json(const json& stones, const std::string& where) {
    if (!stones.is_array() || stones.size() != CURLING_STONES) {
        throw std::invalid_argument(where + " is not an array of 16 [x, y] pairs");
    }
    Position position{};
    for (std::size_t k = 0; k < position.size(); ++k) {
        const json& stone = stones[k];
        if (!stone.is_array() || stone.size() != 2 || !stone[0].is_number() ||
            !stone[1].is_number()) {
            throw std::invalid_argument(where + " stone " + std::to_string(k) +
                                        " is not an [x, y] pair of numbers");
        }
        position[k] = StonePosition{stone[0].get<float>(), stone[1].get<float>()};
    }
    return position;
}

}  // namespace

std::vector<DotMark> outcome_dots(const Position& before, const Position& outcome, int first_side) {
    std::vector<DotMark> dots;
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        const StonePosition a = before[static_cast<std::size_t>(slot)];
        const StonePosition b = outcome[static_cast<std::size_t>(slot)];
        if (empty_slot(b)) {
            continue;
        }
        const bool moved = empty_slot(a) || std::hypot(static_cast<double>(a.x) - b.x,
                                                       static_cast<double>(a.y) - b.y) > OUTCOME_MOVED;
        if (moved) {
            dots.push_back(DotMark{side_of_slot(first_side, slot), b.x, b.y});
        }
    }
    return dots;
}

std::string candidate_section_html(const CandidateReport& report, const Position& before,
                                   int first_side) {
    std::vector<std::size_t> order(report.candidates.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return report.candidates[a].value > report.candidates[b].value;
    });
    double low = 0;
    double high = 0;
    for (const Candidate& c : report.candidates) {
        low = std::min(low, c.value);
        high = std::max(high, c.value);
    }
    const double span = high - low > 0 ? high - low : 1.0;

    std::string out = "<section class=\"candidates\"><h2>Candidates of " +
                      xml_escape(report.player) + "</h2>";
    if (report.candidates.empty()) {
        return out + "<p class=\"note\">No candidates.</p></section>";
    }
    out += "<table><thead><tr><th>#</th><th>Candidate</th><th>Shot (vx vy spin)</th><th>" +
           xml_escape(report.value_meaning) + "</th><th></th><th>Samples</th></tr></thead><tbody>";
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const Candidate& c = report.candidates[order[rank]];
        const double bar = 4 + 120 * (c.value - low) / span;
        out += "<tr class=\"" + std::string(rank == 0 ? "best" : "") + "\" data-candidate=\"" +
               std::to_string(order[rank]) + "\"><td>" + std::to_string(rank + 1) +
               "</td><td class=\"label\">" + xml_escape(c.label) + "</td><td><code>" +
               shot_text(c.shot) + "</code></td><td class=\"value\">" + format("%.3f", c.value) +
               "</td><td><span class=\"bar\" style=\"width:" + format("%.0f", bar) +
               "px\"></span></td><td>" + std::to_string(c.samples) + "</td></tr>";
    }
    out += "</tbody></table><div class=\"clouds\">";
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const Candidate& c = report.candidates[order[rank]];
        SheetScene scene;
        scene.id = "cloud-" + std::to_string(order[rank]);
        scene.stones = stones_of(before, first_side, true);
        for (const Position& outcome : c.outcomes) {
            const std::vector<DotMark> dots = outcome_dots(before, outcome, first_side);
            scene.dots.insert(scene.dots.end(), dots.begin(), dots.end());
        }
        scene.caption = std::to_string(rank + 1) + ". " + c.label;
        scene.house_only = true;
        out += "<figure>" + sheet_svg(scene) + "<figcaption>" + xml_escape(c.label) + ": " +
               xml_escape(report.value_meaning) + " " + format("%.3f", c.value) + ", " +
               std::to_string(c.samples) + " samples, " + std::to_string(c.outcomes.size()) +
               " drawn</figcaption></figure>";
    }
    return out + "</div></section>";
}

CandidateReport candidate_report_from_json(const json& in) {
    if (!in.is_object() || !in.contains("candidates") || !in["candidates"].is_array()) {
        throw std::invalid_argument("a candidate report is an object with a \"candidates\" array");
    }
    CandidateReport report;
    report.player = in.value("player", std::string("a player"));
    report.value_meaning = in.value("value", std::string("value"));
    for (std::size_t k = 0; k < in["candidates"].size(); ++k) {
        const json& c = in["candidates"][k];
        const std::string where = "candidate " + std::to_string(k);
        if (!c.is_object() || !c.contains("shot") || !c["shot"].is_array() ||
            c["shot"].size() != 3 || !c.contains("value") || !c["value"].is_number()) {
            throw std::invalid_argument(where + " needs \"shot\": [vx, vy, spin] and a \"value\"");
        }
        for (const json& part : c["shot"]) {
            if (!part.is_number()) {
                throw std::invalid_argument(where + ": the shot holds a value that is not a number");
            }
        }
        Candidate candidate;
        candidate.shot = ShotVector{c["shot"][0].get<float>(), c["shot"][1].get<float>(),
                                    static_cast<std::uint8_t>(c["shot"][2].get<double>() != 0)};
        candidate.label = c.value("label", where);
        candidate.value = c["value"].get<double>();
        candidate.samples = c.value("samples", 0);
        if (c.contains("outcomes")) {
            if (!c["outcomes"].is_array()) {
                throw std::invalid_argument(where + ": \"outcomes\" is not an array");
            }
            for (std::size_t o = 0; o < c["outcomes"].size(); ++o) {
                candidate.outcomes.push_back(position_from_json(
                    c["outcomes"][o], where + " outcome " + std::to_string(o)));
            }
        }
        report.candidates.push_back(std::move(candidate));
    }
    return report;
}
