#include "shard.h"

#include <cerrno>
#include <cstdlib>

namespace runner {

std::string Shard::text() const { return std::to_string(index) + "/" + std::to_string(count); }

namespace {

std::optional<std::int64_t> whole_number(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

std::optional<Shard> parse_shard(const std::string& text, std::int64_t max_count) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const auto index = whole_number(text.substr(0, slash));
    const auto count = whole_number(text.substr(slash + 1));
    if (!index || !count || *count < 1 || *count > max_count || *index >= *count) {
        return std::nullopt;
    }
    return Shard{*index, *count};
}

std::optional<std::int64_t> ShardGames::next() {
    for (;;) {
        // Slot s is game s % 2 of the shard's (s / 2)-th pair.
        const std::int64_t slot = slot_.fetch_add(1);
        const std::int64_t pair = shard_.index + shard_.count * (slot / 2);
        const std::int64_t game = 2 * pair + slot % 2;
        if (2 * pair >= games_) {
            return std::nullopt;
        }
        if (game < games_ && done_.count(pair) == 0) {
            return game;
        }
    }
}

}  // namespace runner
