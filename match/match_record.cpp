#include "match_record.h"

bool write_json_line(RecordFile& record, const nlohmann::json& line) {
    return record.write_line(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

nlohmann::json position_json(const GAMESTATE& state) {
    nlohmann::json stones = nlohmann::json::array();
    for (const StonePosition& stone : state.stones) {
        stones.push_back({static_cast<double>(stone.x), static_cast<double>(stone.y)});
    }
    return stones;
}
