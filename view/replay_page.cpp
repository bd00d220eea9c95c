#include "view/replay_page.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "view/counting.h"
#include "view/page_assets.h"
#include "view/page_text.h"
#include "view/shot_paths.h"

namespace {

using nlohmann::json;

// Paths go to the page in millimetres: whole numbers keep a 200-game
// record small.
long mm(double metres) { return std::lround(metres * 1000.0); }

// [slot, removed, frame, x, y, then each later point as the change from the
// one before]: small numbers, short text.
json paths_json(const ShotPaths& paths) {
    json out = json::array();
    for (const StonePath& path : paths.stones) {
        json flat = {path.slot, path.removed ? 1 : 0};
        long frame = 0;
        long x = 0;
        long y = 0;
        for (const PathPoint& point : path.points) {
            const long px = mm(point.x);
            const long py = mm(point.y);
            flat.push_back(point.frame - frame);
            flat.push_back(px - x);
            flat.push_back(py - y);
            frame = point.frame;
            x = px;
            y = py;
        }
        out.push_back(std::move(flat));
    }
    return out;
}

json vector_json(ShotVector shot) {
    return {short_float(shot.vx), short_float(shot.vy), static_cast<int>(shot.spin)};
}

json shot_json(const ShotRecord& shot, const Position& expected_before, const ShotPaths& paths) {
    json out = {{"e", shot.end},
                {"s", shot.shot},
                {"d", shot.side},
                {"r", shot.reply},
                {"v", vector_json(shot.shot_vector)},
                {"n", {significant(shot.noise[0]), significant(shot.noise[1])}},
                {"l", vector_json(shot.delivered)},
                {"t", significant(shot.think_ms)},
                {"c", {shot.clock_ms[0], shot.clock_ms[1]}},
                {"a", changes(shot.position, shot.after)},
                {"p", paths_json(paths)}};
    if (!same_position(shot.position, expected_before)) {
        out["b"] = occupied(shot.position);
    }
    // A shot the free guard zone undid: the stones it put back, and where
    // the shot had left the stones before.
    if (shot.rule_undone) {
        out["u"] = shot.restored;
        out["w"] = changes(shot.position, shot.undone_after);
    }
    // The stones that count as they lie after the shot, by the library's
    // own rule in single precision, which the page's rounded positions
    // cannot repeat at a ring's edge: [side, slot, ...].
    const Counting counting = counting_stones(shot.after, first_side_of_end(shot));
    if (counting.side >= 0) {
        json k = {counting.side};
        for (const int slot : counting.slots) {
            k.push_back(slot);
        }
        out["k"] = std::move(k);
    }
    // A flag: [slot, distance in mm], -1 for a stone on the sheet in only one
    // of the two positions; [-1, -1] when the library refused the shot.
    if (!paths.computed) {
        out["x"] = {-1, -1};
    } else if (paths.deviation > REST_TOLERANCE) {
        out["x"] = {paths.deviating_slot,
                    std::isinf(paths.deviation) ? -1.0 : significant(paths.deviation * 1000.0)};
    }
    return out;
}

// A page's script reads numbers as doubles, which hold integers exactly only
// up to 2^53: a 64-bit seed would show as another seed, one that does not
// replay the match. Such integers go to the page as text.
json exact_for_script(json value) {
    constexpr std::uint64_t EXACT = std::uint64_t{1} << 53;
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > EXACT) {
        return std::to_string(value.get<std::uint64_t>());
    }
    if (value.is_number_integer() && !value.is_number_unsigned() &&
        (value.get<std::int64_t>() > static_cast<std::int64_t>(EXACT) ||
         value.get<std::int64_t>() < -static_cast<std::int64_t>(EXACT))) {
        return std::to_string(value.get<std::int64_t>());
    }
    if (value.is_structured()) {
        for (auto& item : value) {
            item = exact_for_script(std::move(item));
        }
    }
    return value;
}

json game_json(const GameRecord& game, const SimulatorApi& api, ReplayStats& stats,
               std::vector<StonePosition>& frames, const ReplayProgress& progress,
               std::size_t total) {
    json shots = json::array();
    Position previous{};
    int previous_end = -1;
    int previous_shot = -1;
    for (const ShotRecord& shot : game.shots) {
        Position expected{};
        if (shot.end == previous_end && shot.shot == previous_shot + 1) {
            expected = previous;
        }
        GAMESTATE before{};
        before.shot_number = shot.shot;
        before.current_end = shot.end;
        before.moving_side = static_cast<std::uint8_t>(shot.side);
        std::copy(shot.position.begin(), shot.position.end(), before.stones);
        const ShotPaths paths = compute_shot_paths(api, before, shot.delivered, played_after(shot), frames);
        json line = shot_json(shot, expected, paths);
        stats.flagged += line.contains("x") && paths.computed ? 1 : 0;
        stats.not_computed += paths.computed ? 0 : 1;
        shots.push_back(std::move(line));
        previous = shot.after;
        previous_end = shot.end;
        previous_shot = shot.shot;
        ++stats.shots;
        if (progress && stats.shots % 500 == 0) {
            progress(stats.shots, total);
        }
    }
    json ends = json::array();
    for (const EndRecord& end : game.ends) {
        ends.push_back({end.end, end.score, end.hammer, end.total[0], end.total[1]});
    }
    return {{"g", game.index}, {"ends", ends}, {"shots", shots}, {"result", exact_for_script(game.result)}};
}

// Where the page skeleton takes the sheet.
const std::string SHEET_SLOT = "<!--sheet-->";

json view_json() {
    json bodies = json::array();
    for (int slot = 0; slot < CURLING_STONES; ++slot) {
        bodies.push_back(stone_svg_body(slot, STILL_PIXELS_PER_METRE));
    }
    return {{"top", VIEW_Y_TOP},
            {"bottom", VIEW_Y_BOTTOM},
            {"width", VIEW_WIDTH},
            {"frame", FRAME_INTERVAL_S},
            {"teeX", CURLING_CENTRE_X},
            {"teeY", CURLING_TEE_Y},
            {"stoneBodies", bodies}};
}

}  // namespace

std::string replay_page(const MatchRecord& record, const SimulatorApi& api,
                        const std::string& record_name, const std::string& simulator_path,
                        ReplayStats& stats, const ReplayProgress& progress) {
    std::size_t total = 0;
    for (const auto& entry : record.games) {
        total += entry.second.shots.size();
    }
    std::vector<StonePosition> frames;
    // Each game's shots in a block of their own, which the page parses only
    // when the game is shown: a large record opens as fast as a small one.
    json games = json::array();
    std::string game_blocks;
    for (const auto& entry : record.games) {
        json game = game_json(entry.second, api, stats, frames, progress, total);
        json shots = std::move(game["shots"]);
        game.erase("shots");
        std::size_t flagged = 0;
        for (const json& shot : shots) {
            flagged += shot.contains("x") ? 1 : 0;
        }
        game["shotCount"] = shots.size();
        game["flagged"] = flagged;
        game_blocks += script_data("game-" + std::to_string(games.size()), shots);
        games.push_back(std::move(game));
    }
    const json data = {{"record", record_name},
                       {"simulator", simulator_path},
                       {"names", {record.names[0], record.names[1]}},
                       {"regularEnds", record.regular_ends},
                       {"match", exact_for_script(record.match)},
                       {"summary", exact_for_script(record.summary)},
                       {"view", view_json()},
                       {"games", games}};

    SheetScene sheet;
    sheet.id = "sheet";
    sheet.guard_zone = record.rule != CURLING_RULE_NONE;
    std::string page = page_head("Replay: " + record.names[0] + " vs " + record.names[1],
                                 REPLAY_STYLE);
    const std::string body = REPLAY_BODY;
    const std::size_t slot = body.find(SHEET_SLOT);
    page += body.substr(0, slot) + sheet_svg(sheet) + body.substr(slot + SHEET_SLOT.size());
    page += script_data("replay-data", data);
    page += game_blocks;
    page += "<script>" + std::string(REPLAY_TEXT_SCRIPT) + "</script>\n<script>" +
            std::string(REPLAY_SCRIPT) + "</script>\n</body>\n</html>\n";
    return page;
}
