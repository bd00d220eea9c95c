#include "view/candidate_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "view/page_text.h"

namespace view {

namespace {

using nlohmann::json;

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

std::array<double, 2> unit_mean_interval(double mean, int samples) {
    if (samples <= 0) {
        return {0.0, 1.0};
    }
    constexpr double Z = 1.959964;
    const double n = samples;
    const double p = std::clamp(mean, 0.0, 1.0);
    const double centre = (p + Z * Z / (2 * n)) / (1 + Z * Z / n);
    const double half = Z / (1 + Z * Z / n) * std::sqrt(p * (1 - p) / n + Z * Z / (4 * n * n));
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

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

namespace {

bool sampled(const Candidate& c) { return c.samples > 0 || !c.outcomes.empty(); }

// Whether a candidate's value means anything: it got samples, or the report
// gives values only (no samples and no outcomes anywhere).
bool values_only(const CandidateReport& report) {
    return std::none_of(report.candidates.begin(), report.candidates.end(), sampled);
}

// Candidates by value, best first; one that got no sample (a search cut
// short) sorts after every sampled one, whatever value stands in for none.
std::vector<std::size_t> ranked(const CandidateReport& report) {
    std::vector<std::size_t> order(report.candidates.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
    }
    const bool all_valued = values_only(report);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Candidate& x = report.candidates[a];
        const Candidate& y = report.candidates[b];
        if (!all_valued && sampled(x) != sampled(y)) {
            return sampled(x);
        }
        return x.value > y.value;
    });
    return order;
}

std::string caption_of(const CandidateReport& report, std::size_t index) {
    const Candidate& c = report.candidates[index];
    return c.label + ": " + report.value_meaning + " " + format_number("%.3f", c.value) + ", " +
           std::to_string(c.samples) + " samples, " +
           std::to_string(std::min(c.outcomes.size(), DRAWN_SAMPLES)) + " drawn";
}

CloudMark cloud_of(const CandidateReport& report, std::size_t index, const Position& before,
                   int first_side, bool shown) {
    const Candidate& c = report.candidates[index];
    CloudMark cloud;
    cloud.key = static_cast<int>(index);
    cloud.shown = shown;
    for (std::size_t k = 0; k < std::min(c.outcomes.size(), DRAWN_SAMPLES); ++k) {
        const std::vector<DotMark> dots = outcome_dots(before, c.outcomes[k], first_side);
        cloud.dots.insert(cloud.dots.end(), dots.begin(), dots.end());
    }
    if (c.aim) {
        cloud.aimed = true;
        cloud.aim_x = c.aim->x;
        cloud.aim_y = c.aim->y;
    }
    return cloud;
}

constexpr double BAR_WIDTH = 120;  // pixels

std::string table_html(const CandidateReport& report, const std::vector<std::size_t>& order,
                       std::size_t selected, const Position& before) {
    // The bars span the range of the sampled values shown, so small
    // differences show; the stand-in of one without samples would stretch them.
    const bool all_valued = values_only(report);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const Candidate& c : report.candidates) {
        if (all_valued || sampled(c)) {
            low = std::min(low, c.value);
            high = std::max(high, c.value);
        }
    }
    const double span = high - low > 0 ? high - low : 1.0;
    const auto at = [&](double v) { return std::clamp(BAR_WIDTH * (v - low) / span, 0.0, BAR_WIDTH); };
    const bool intervals = std::any_of(report.candidates.begin(), report.candidates.end(),
                                       [](const Candidate& c) { return c.interval.has_value(); });
    std::string out =
        "<div class=\"table-box\"><table><thead><tr><th>#</th><th>Candidate</th><th>Shot (vx vy "
        "spin)</th><th>" + xml_escape(report.value_meaning) + "</th>" +
        (intervals ? "<th>95% interval</th>" : "") + "<th class=\"scale\">" + format_number("%.3f", low) +
        " \u2026 " + format_number("%.3f", high) + "</th><th>Samples</th></tr></thead><tbody>";
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const std::size_t index = order[rank];
        const Candidate& c = report.candidates[index];
        const bool chosen = static_cast<int>(index) == report.chosen;
        std::string cls = chosen ? "chosen" : "";
        if (report.chosen < 0 && rank == 0) {
            cls = "best";
        }
        if (index == selected) {
            cls += cls.empty() ? "selected" : " selected";
        }
        const bool shown = all_valued || sampled(c);
        std::string interval_cell;
        std::string whisker;
        if (intervals) {
            interval_cell = "<td class=\"interval\">" +
                            (c.interval ? format_number("%.3f", (*c.interval)[0]) + " \u2026 " +
                                              format_number("%.3f", (*c.interval)[1])
                                        : std::string()) +
                            "</td>";
            if (c.interval && shown) {
                const double from = at((*c.interval)[0]);
                whisker = "<span class=\"whisker\" style=\"left:" + format_number("%.0f", from) +
                          "px;width:" + format_number("%.0f", std::max(1.0, at((*c.interval)[1]) - from)) +
                          "px\"></span>";
            }
        }
        const std::string rest = c.rest ? changes(before, *c.rest).dump() : "";
        out += "<tr class=\"" + cls + "\" data-candidate=\"" + std::to_string(index) +
               "\" data-caption=\"" + xml_escape(caption_of(report, index)) + "\" data-rest=\"" +
               xml_escape(rest) + "\" tabindex=\"0\"><td>" +
               std::to_string(rank + 1) + "</td><td class=\"label\">" + xml_escape(c.label) +
               (chosen ? " <span class=\"chosen-mark\">\u2605 played</span>" : "") +
               "</td><td><code>" + shot_text(c.shot) + "</code></td><td class=\"value\">" +
               format_number("%.3f", c.value) + "</td>" + interval_cell +
               "<td><span class=\"bar-box\"><span class=\"bar\" style=\"width:" +
               format_number("%.0f", shown ? std::max(2.0, at(c.value)) : 0.0) + "px\"></span>" + whisker +
               "</span></td><td class=\"samples\">" +
               std::to_string(c.samples) + "</td></tr>";
    }
    return out + "</tbody></table></div>";
}

std::string cloud_figure(const SheetScene& scene, const std::string& caption_id,
                         const std::string& caption) {
    return "<figure>" + sheet_svg(scene) + "<figcaption id=\"" + caption_id + "\">" +
           xml_escape(caption) + "</figcaption></figure>";
}

}  // namespace

std::string candidate_section_html(const CandidateReport& report, const Position& before,
                                   int first_side) {
    std::string out = "<section class=\"candidates\" id=\"candidates\"><h2>Candidates of " +
                      xml_escape(report.player) + "</h2>";
    if (report.candidates.empty()) {
        return out + "<p class=\"note\">No candidates.</p></section>";
    }
    const std::vector<std::size_t> order = ranked(report);
    const bool has_chosen =
        report.chosen >= 0 && static_cast<std::size_t>(report.chosen) < report.candidates.size();
    // At first the second sheet shows the best candidate the player did not play.
    std::size_t selected = order.front();
    if (has_chosen && order.size() > 1 && static_cast<int>(selected) == report.chosen) {
        selected = order[1];
    }
    out += "<div class=\"candidate-view\">" + table_html(report, order, selected, before) +
           "<div class=\"clouds\">";
    SheetScene scene;
    scene.stones = stones_of(before, first_side, true);
    scene.house_only = true;
    if (has_chosen) {
        const auto chosen = static_cast<std::size_t>(report.chosen);
        scene.id = "cloud-chosen";
        scene.caption = "played: " + report.candidates[chosen].label;
        scene.clouds = {cloud_of(report, chosen, before, first_side, true)};
        out += cloud_figure(scene, "chosen-caption", caption_of(report, chosen));
    }
    scene.id = "cloud-selected";
    scene.caption = "selected in the table";
    scene.clouds.clear();
    for (const std::size_t index : order) {
        scene.clouds.push_back(cloud_of(report, index, before, first_side, index == selected));
    }
    out += cloud_figure(scene, "selected-caption", caption_of(report, selected));
    out += "</div></div><p class=\"note\">Each dot is a stone that a sampled execution moved or "
           "placed (more than 5 mm from where it stood), where it came to rest; the cross is "
           "where the shot was aimed. Click a row, or use \u2191 / \u2193, to show that "
           "candidate on the second sheet.</p>";
    if (!report.note.empty()) {
        out += "<p class=\"note\">" + xml_escape(report.note) + "</p>";
    }
    return out + "</section>";
}

std::string position_mismatch(const CandidateReport& report, const GAMESTATE& state) {
    if (!report.stones) {
        return "the report names no position (\"state\" with \"stones\" and \"shot_number\")";
    }
    if (report.shot_number != state.shot_number) {
        return "it is for shot " + std::to_string(report.shot_number) + " of the end, not " +
               std::to_string(state.shot_number);
    }
    // Another player may print fewer digits than a float holds.
    constexpr double SAME_PLACE = 0.0005;  // metres
    for (std::size_t k = 0; k < report.stones->size(); ++k) {
        const StonePosition a = (*report.stones)[k];
        const StonePosition b = state.stones[k];
        if (empty_slot(a) != empty_slot(b) ||
            std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y) > SAME_PLACE) {
            const int first_side = state.shot_number % 2 == 0 ? state.moving_side : 1 - state.moving_side;
            return stone_name(static_cast<int>(k), first_side) + " (slot " + std::to_string(k) +
                   ") stands elsewhere";
        }
    }
    return "";
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
        if (c.contains("aim")) {
            const json& aim = c["aim"];
            if (!aim.is_array() || aim.size() != 2 || !aim[0].is_number() || !aim[1].is_number()) {
                throw std::invalid_argument(where + ": \"aim\" is not an [x, y] pair of numbers");
            }
            candidate.aim = StonePosition{aim[0].get<float>(), aim[1].get<float>()};
        }
        if (c.contains("interval")) {
            const json& interval = c["interval"];
            if (!interval.is_array() || interval.size() != 2 || !interval[0].is_number() ||
                !interval[1].is_number()) {
                throw std::invalid_argument(where + ": \"interval\" is not a [low, high] pair");
            }
            candidate.interval = std::array<double, 2>{interval[0].get<double>(), interval[1].get<double>()};
        }
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
    if (in.contains("state")) {
        const json& state = in["state"];
        if (!state.is_object() || !state.contains("stones") || !state.contains("shot_number") ||
            !state["shot_number"].is_number_integer()) {
            throw std::invalid_argument("\"state\" needs \"stones\" and \"shot_number\"");
        }
        report.stones = position_from_json(state["stones"], "\"state\" \"stones\"");
        report.shot_number = state["shot_number"].get<int>();
    }
    if (in.contains("chosen")) {
        const json& chosen = in["chosen"];
        if (!chosen.is_number_integer() || chosen.get<std::int64_t>() < -1 ||
            chosen.get<std::int64_t>() >= static_cast<std::int64_t>(report.candidates.size())) {
            throw std::invalid_argument("\"chosen\" is not the index of a candidate");
        }
        report.chosen = chosen.get<int>();
    }
    return report;
}

}  // namespace view
