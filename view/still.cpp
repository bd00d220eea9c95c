#include "view/still.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

#include "view/counting.h"
#include "view/shot_paths.h"

namespace {

// The side with the last stone of the shot's end.
int hammer_of(const GameRecord& game, const ShotRecord& shot) {
    for (const EndRecord& end : game.ends) {
        if (end.end == shot.end) {
            return end.hammer - 1;
        }
    }
    return shot.shot % 2 == 1 ? shot.side : 1 - shot.side;
}

// The score before the end, the hammer, and who counts as the stones lie.
std::string game_line(const GameRecord& game, const ShotRecord& shot,
                      const Position& shown, int first_side) {
    std::array<int, 2> score{};
    for (const EndRecord& end : game.ends) {
        if (end.end < shot.end) {
            score[end.score > 0 ? 0 : 1] += end.score > 0 ? end.score : -end.score;
        }
    }
    const Counting counting = counting_stones(shown, first_side);
    const std::string lying =
        counting.side < 0 ? "nobody counts"
                          : std::string(SIDE_COLOUR[counting.side]) + " counts " +
                                std::to_string(counting.slots.size()) + " (ringed)";
    // Colours, not names: the legend above says who plays which.
    return "before end " + std::to_string(shot.end + 1) + ": red " + std::to_string(score[0]) +
           ", yellow " + std::to_string(score[1]) +
           " \u00b7 hammer " + SIDE_COLOUR[hammer_of(game, shot)] + " \u00b7 " + lying;
}

void mark_counting(SheetScene& scene, const Position& shown, int first_side) {
    const Counting counting = counting_stones(shown, first_side);
    for (StoneMark& stone : scene.stones) {
        for (const int slot : counting.slots) {
            stone.counting = stone.counting || (!stone.faded && stone.slot == slot);
        }
    }
}

}  // namespace

SheetScene shot_scene(const MatchRecord& record, int game, int end, int shot, bool before,
                      const SimulatorApi* api) {
    const ShotRecord& found = find_shot(record, game, end, shot);
    const GameRecord& played = record.games.at(game);
    const int first_side = first_side_of_end(found);
    SheetScene scene;
    scene.caption = "Game " + std::to_string(game + 1) + " \u00b7 end " + std::to_string(end + 1) +
                    (before ? " \u00b7 before shot " : " \u00b7 after shot ") +
                    std::to_string(shot + 1) + ": " + stone_name(found.shot, first_side) +
                    " (" + record.names[found.side] + ")";
    scene.legend = {record.names[0], record.names[1]};
    scene.guard_zone = record.rule != CURLING_RULE_NONE;
    const Position& shown = before ? found.position : found.after;
    scene.game_line = game_line(played, found, shown, first_side);
    // Where the undone shot left the stones, faded under the position the
    // rule restored, so both what happened and what stands can be seen.
    if (!before && found.rule_undone) {
        scene.note = undone_note(found);
        scene.stones = undone_stones(found.undone_after, shown, first_side);
    }
    const std::vector<StoneMark> standing = stones_of(shown, first_side);
    scene.stones.insert(scene.stones.end(), standing.begin(), standing.end());
    mark_counting(scene, shown, first_side);
    if (before) {
        return scene;
    }
    if (api != nullptr && api->SimulateTrajectory != nullptr) {
        const GAMESTATE state = state_before(record, played, found);
        std::vector<StonePosition> frames;
        const ShotPaths paths = compute_shot_paths(*api, state, found.delivered, played_after(found), frames);
        for (const StonePath& path : paths.stones) {
            scene.paths.push_back(PathMark{side_of_slot(first_side, path.slot),
                                           path.slot == found.shot, visible_points(path)});
        }
    }
    return scene;
}

Position parse_position(const std::string& text) {
    std::istringstream stream(text);
    std::vector<double> numbers;
    std::string token;
    while (stream >> token) {
        std::size_t used = 0;
        double value = 0;
        try {
            value = std::stod(token, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != token.size() || !std::isfinite(value)) {
            throw std::invalid_argument("\"" + token + "\" is not a number");
        }
        numbers.push_back(value);
    }
    if (numbers.size() != 2 * CURLING_STONES) {
        throw std::invalid_argument("a position is 32 numbers (x and y of 16 stones), not " +
                                    std::to_string(numbers.size()));
    }
    Position position{};
    for (std::size_t k = 0; k < position.size(); ++k) {
        position[k] = StonePosition{static_cast<float>(numbers[2 * k]),
                                    static_cast<float>(numbers[2 * k + 1])};
    }
    return position;
}
