#pragma once

#include <nlohmann/json.hpp>

#include "curling_simulator.h"
#include "record_file.h"

// The match record: JSON Lines in a RecordFile.

// Appends one object as one line. Invalid UTF-8 from a misbehaving player is
// replaced, not thrown on. False once the record can no longer be written.
bool write_json_line(RecordFile& record, const nlohmann::json& line);

// The sixteen stones as [x, y] pairs.
nlohmann::json position_json(const GAMESTATE& state);
