#include "match_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

RecordWriter::~RecordWriter() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool RecordWriter::open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RecordWriter::write(const nlohmann::json& line) {
    // Invalid UTF-8 from a misbehaving player is replaced, not thrown on.
    const std::string text =
        line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0) {
        return;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = ::write(fd_, text.data() + written, text.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (failure_.empty()) {
                failure_ = std::strerror(errno);
            }
            return;
        }
        written += static_cast<std::size_t>(put);
    }
}

std::string RecordWriter::failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

nlohmann::json position_json(const GAMESTATE& state) {
    nlohmann::json stones = nlohmann::json::array();
    for (const StonePosition& stone : state.stones) {
        stones.push_back({static_cast<double>(stone.x), static_cast<double>(stone.y)});
    }
    return stones;
}
