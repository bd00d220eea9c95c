#include "record_summary.h"

namespace runner {

nlohmann::json summary_json(const MatchSummary& summary, const SprtState* sprt) {
    nlohmann::json sides = nlohmann::json::array();
    for (const SideFigures& f : summary.side) {
        nlohmann::json& side = sides.emplace_back();
        side = {{"wins", f.wins},
                         {"draws", f.draws},
                         {"losses", f.losses},
                         {"game_points", f.game_points},
                         {"points_for", f.points_for},
                         {"points_against", f.points_against},
                         {"ends_with_hammer", f.ends_with_hammer},
                         {"points_with_hammer", f.points_with_hammer},
                         {"ends_without_hammer", f.ends_without_hammer},
                         {"points_without_hammer", f.points_without_hammer},
                         {"steals", f.steals},
                         {"blank_ends_with_hammer", f.blank_ends_with_hammer},
                         {"median_think_ms",
                          f.median_think_ms ? nlohmann::json(*f.median_think_ms) : nullptr}};
        if (summary.rule != CURLING_RULE_NONE) {
            side["rule_undone"] = f.rule_undone;
        }
    }
    const auto optional_number = [](const std::optional<double>& value) {
        return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
    };
    nlohmann::json line = {{"type", "summary"},
            {"games", summary.games},
            {"players", sides},
            {"ends", summary.ends},
            {"blank_ends", summary.blank_ends},
            {"extra_ends", summary.extra_ends},
            {"endings", summary.endings},
            {"elo",
             {{"pairs", summary.elo.pairs},
              {"mean_score", summary.elo.mean_score},
              {"difference", optional_number(summary.elo.elo)},
              {"low", optional_number(summary.elo.low)},
              {"high", optional_number(summary.elo.high)},
              {"low_score", summary.elo.low_score},
              {"high_score", summary.elo.high_score}}}};
    if (sprt != nullptr) {
        line["sprt"] = {{"elo0", sprt->bounds.elo0},
                        {"elo1", sprt->bounds.elo1},
                        {"alpha", sprt->bounds.alpha},
                        {"beta", sprt->bounds.beta},
                        {"lower", sprt->bounds.lower()},
                        {"upper", sprt->bounds.upper()},
                        {"llr", sprt->llr},
                        {"pairs", sprt->pairs},
                        {"pentanomial", sprt->counts},
                        {"decision", sprt->decision == SprtDecision::NONE
                                         ? nlohmann::json(nullptr)
                                         : nlohmann::json(decision_name(sprt->decision))}};
    }
    return line;
}

}  // namespace runner
