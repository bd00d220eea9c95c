#include "match_record.h"

namespace runner {

std::string dump_line(const nlohmann::json& line) {
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool write_json_line(RecordFile& record, const nlohmann::json& line) {
    std::string text = dump_line(line);
    text.pop_back();
    return record.write_line(text);
}

}  // namespace runner
