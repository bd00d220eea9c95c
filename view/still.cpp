#include "view/still.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

#include "view/shot_paths.h"

SheetScene shot_scene(const MatchRecord& record, int game, int end, int shot, bool before,
                      const SimulatorApi* api) {
    const ShotRecord& found = find_shot(record, game, end, shot);
    const int first_side = first_side_of_end(found);
    SheetScene scene;
    const std::string who = record.names[found.side];
    scene.caption = "Game " + std::to_string(game + 1) + " \u00b7 end " + std::to_string(end + 1) +
                    (before ? " \u00b7 before shot " : " \u00b7 after shot ") +
                    std::to_string(shot + 1) + " (" + who + ")";
    if (before) {
        scene.stones = stones_of(found.position, first_side);
        return scene;
    }
    scene.stones = stones_of(found.after, first_side);
    if (api != nullptr && api->SimulateTrajectory != nullptr) {
        const GAMESTATE state = state_before(record, record.games.at(game), found);
        std::vector<StonePosition> frames;
        const ShotPaths paths = compute_shot_paths(*api, state, found.delivered, found.after, frames);
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
