#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace runner {

// Games are played in pairs that swap the first-end hammer: pair p holds
// games 2p and 2p + 1 (only 2p when that is the last game). A shard K/N
// plays the pairs p with p mod N = K. Every game keeps its number in the
// whole match, and its noise comes from the match seed and that number
// alone, so the games of a shard are the same games, bit for bit, as the
// same games of the match played in one go.
struct Shard {
    std::int64_t index = 0;
    std::int64_t count = 1;

    bool whole_match() const { return count == 1; }
    bool plays_pair(std::int64_t pair) const { return pair % count == index; }
    std::string text() const;  // "K/N"
    bool operator==(const Shard&) const = default;
};

inline std::int64_t pair_of_game(std::int64_t game) { return game / 2; }
inline std::int64_t pair_count(std::int64_t games) { return (games + 1) / 2; }
// Games in pair `pair` of a match of `games` games: 2, or 1 for the odd last game.
inline int games_in_pair(std::int64_t pair, std::int64_t games) {
    return 2 * pair + 1 < games ? 2 : 1;
}

// How many pairs of a match of `games` games the shard plays.
inline std::int64_t pairs_of_shard(const Shard& shard, std::int64_t games) {
    const std::int64_t pairs = pair_count(games);
    return pairs > shard.index ? (pairs - shard.index + shard.count - 1) / shard.count : 0;
}

// Reads "K/N" with 0 <= K < N <= `max_count`; nothing for any other text.
std::optional<Shard> parse_shard(const std::string& text, std::int64_t max_count);

// Hands out, in order, the games of one shard of a match of `games` games,
// skipping the pairs already played. Safe to call from several threads:
// each game is handed out once.
class ShardGames {
public:
    ShardGames(Shard shard, std::int64_t games, std::set<std::int64_t> pairs_done)
        : shard_(shard), games_(games), done_(std::move(pairs_done)) {}
    // The next game to play, or nothing once the shard has none left.
    std::optional<std::int64_t> next();

private:
    Shard shard_;
    std::int64_t games_;
    std::set<std::int64_t> done_;  // read only once constructed
    std::atomic<std::int64_t> slot_{0};
};

}  // namespace runner
