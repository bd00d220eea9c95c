#pragma once

#include <nlohmann/json.hpp>

#include "record_file.h"

namespace runner {

// The match record: JSON Lines in a RecordFile.

// Appends one object as one line. Invalid UTF-8 from a misbehaving player is
// replaced, not thrown on. False once the record can no longer be written.
bool write_json_line(RecordFile& record, const nlohmann::json& line);

// The text of one line, with its line end, as write_json_line writes it.
std::string dump_line(const nlohmann::json& line);

}  // namespace runner
