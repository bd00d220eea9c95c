#pragma once

#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "curling_simulator.h"

// The match record: JSON Lines, each line handed to the system in one write
// as soon as it is made, so a runner killed half-way leaves every finished
// line behind and never half a line from a buffer.
class RecordWriter {
public:
    RecordWriter() = default;
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    bool open(const std::string& path, std::string& error);
    // Safe to call from several games at once; lines never interleave.
    void write(const nlohmann::json& line);
    // Why a line could not be written (the first failure), or empty.
    std::string failure();

private:
    std::mutex mutex_;
    int fd_ = -1;
    std::string failure_;
};

// The sixteen stones as [x, y] pairs.
nlohmann::json position_json(const GAMESTATE& state);
