#include "match_record.h"

namespace runner {

bool write_json_line(RecordFile& record, const nlohmann::json& line) {
    return record.write_line(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace runner
