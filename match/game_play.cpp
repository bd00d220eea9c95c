#include "game_play.h"

#include <algorithm>
#include <cstring>

#include "match/records/record_lines.h"
#include "noise.h"
#include "protocol_text.h"

namespace runner {

namespace {

using Clock = std::chrono::steady_clock;
inline constexpr std::size_t RECORDED_REPLY_BYTES = 200;

// Why a game stopped before its last end, and whom it concerns.
struct Fault {
    GameEnding ending;
    int side;
    std::string detail;
};

class Game {
public:
    Game(int game_index, PlayerProcess* players[2], const SimulatorApi& simulator,
         const GameSettings& settings, RecordFile& record, const GameHooks& hooks)
        : index_(game_index),
          players_{players[0], players[1]},
          simulator_(simulator),
          settings_(settings),
          record_(record),
          hooks_(hooks),
          noise_(game_seed(settings.match_seed, game_index)),
          clock_(make_clock(settings.clock_ms)) {
        result_.game_index = game_index;
    }

    GameOutcome play();

private:
    std::optional<Fault> handshake(int side);
    std::optional<Fault> play_end(int end, int first_thrower);
    std::optional<Fault> play_shot(int end, int shot, int first_thrower);
    std::optional<Fault> send_score(int side, int end_score);
    // `on_timeout` and `late` describe a deadline that passed; `during`
    // says what the player was doing, should it have ended instead.
    std::optional<Fault> io_fault(IoStatus status, int side, GameEnding on_timeout,
                                  const std::string& late, const std::string& during);
    void finish(const std::optional<Fault>& fault);
    bool apply_rule(const GAMESTATE& before, records::ShotLine& line);
    int last_end(int end) const { return std::max(settings_.regular_ends - 1, end); }

    int index_;
    PlayerProcess* players_[2];
    const SimulatorApi& simulator_;
    const GameSettings& settings_;
    RecordFile& record_;
    const GameHooks& hooks_;
    GaussianNoise noise_;
    GameClock clock_;
    GAMESTATE state_{};
    GameResult result_;
    std::optional<std::string> fatal_;
    bool abandoned_ = false;
};

std::optional<Fault> Game::io_fault(IoStatus status, int side, GameEnding on_timeout,
                                    const std::string& late, const std::string& during) {
    switch (status) {
        case IoStatus::OK:
            return std::nullopt;
        case IoStatus::TIMEOUT:
            return Fault{on_timeout, side, late};
        case IoStatus::NEVER_STARTED:
            fatal_ = "player " + std::to_string(side + 1) + " could not start: it " +
                     players_[side]->exit_description() + " before reading any command";
            return Fault{GameEnding::CRASH, side, *fatal_};
        case IoStatus::DEAD: {
            // How the player ended, not which deadline it happened to be under.
            const std::string how = players_[side]->exit_description();
            const std::string ended = how == "still running"          ? "stopped taking its input"
                                      : how.rfind("killed", 0) == 0 ? "was " + how
                                                                    : how;
            return Fault{GameEnding::CRASH, side, "the player " + ended + " " + during};
        }
    }
    return std::nullopt;
}

std::optional<Fault> Game::handshake(int side) {
    PlayerProcess& player = *players_[side];
    const Deadline deadline = Clock::now() + settings_.ready_timeout;
    player.discard_output();
    const std::string during = "before answering ISREADY";
    if (auto fault = io_fault(player.send("NEWGAME\n", deadline), side, GameEnding::STALL,
                              "NEWGAME not taken in time", during)) {
        return fault;
    }
    if (auto fault = io_fault(player.send("ISREADY\n", deadline), side, GameEnding::STALL,
                              "ISREADY not taken in time", during)) {
        return fault;
    }
    return io_fault(player.await_ready(deadline), side, GameEnding::STALL, "no READYOK in time",
                    during);
}

std::optional<Fault> Game::play_shot(int end, int shot, int first_thrower) {
    const int side = side_to_throw(first_thrower, shot);
    PlayerProcess& player = *players_[side];
    state_.shot_number = shot;
    state_.current_end = end;
    state_.last_end = last_end(end);
    state_.moving_side = static_cast<uint8_t>(side);
    const GAMESTATE before = state_;

    // The mover's clock runs from the first command of its turn.
    const Clock::time_point start = Clock::now();
    const Deadline deadline =
        start + std::chrono::microseconds(std::max<std::int64_t>(clock_.remaining_us[side], 0));
    player.discard_output();
    const std::string commands[] = {
        format_position(state_), format_setstate(shot, end, state_.last_end, side),
        format_go(remaining_ms(clock_, 0), remaining_ms(clock_, 1))};
    std::string reply;
    IoStatus status = IoStatus::OK;
    for (const std::string& command : commands) {
        status = player.send(command, deadline);
        if (status != IoStatus::OK) {
            break;
        }
    }
    if (status == IoStatus::OK) {
        status = player.await_reply(deadline, reply);
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    const bool in_time = charge_clock(clock_, side, elapsed);
    if (auto fault = io_fault(status, side, GameEnding::TIME_FORFEIT, "the clock ran out",
                              "during its turn")) {
        return fault;
    }
    if (!in_time) {
        return Fault{GameEnding::TIME_FORFEIT, side, "the reply came after the clock ran out"};
    }
    const ParsedShot parsed = parse_bestshot(reply);
    if (!parsed.ok) {
        return Fault{GameEnding::MALFORMED_SHOT, side,
                     parsed.error + ": \"" + reply.substr(0, RECORDED_REPLY_BYTES) + "\""};
    }
    const double noise_x = noise_.draw(settings_.spread);
    const double noise_y = noise_.draw(settings_.spread);
    const ShotVector delivered{static_cast<float>(parsed.shot.vx + noise_x),
                               static_cast<float>(parsed.shot.vy + noise_y), parsed.shot.spin};
    GAMESTATE played = state_;
    simulator_.Simulation(&played, delivered, 0.0f, 0, -1);
    std::memcpy(state_.stones, played.stones, sizeof state_.stones);
    remove_stones_out_of_play(state_);
    records::ShotLine line;
    if (!apply_rule(before, line)) {
        return Fault{GameEnding::CRASH, side, *fatal_};
    }
    result_.rule_undone[side] += line.rule_undone ? 1 : 0;

    const double think_ms = static_cast<double>(elapsed) / 1000.0;
    result_.think_ms[side].push_back(think_ms);
    line.game = index_;
    line.end = end;
    line.shot = shot;
    line.side = side;
    line.player = side + 1;
    std::copy(std::begin(before.stones), std::end(before.stones), line.position.begin());
    line.reply = reply.substr(0, RECORDED_REPLY_BYTES);
    line.shot_vector = parsed.shot;
    line.noise = {noise_x, noise_y};
    line.delivered = delivered;
    std::copy(std::begin(state_.stones), std::end(state_.stones), line.after.begin());
    line.think_ms = think_ms;
    line.clock_ms = {remaining_ms(clock_, 0), remaining_ms(clock_, 1)};
    write_json_line(record_, records::shot_json(line));
    return std::nullopt;
}

// The stones the player to move next sees are those the rule leaves; the
// record keeps where the shot had left them too. False, with `fatal_` set,
// when the library refuses the rule.
bool Game::apply_rule(const GAMESTATE& before, records::ShotLine& line) {
    if (settings_.rule == CURLING_RULE_NONE) {
        return true;
    }
    GAMESTATE ruled = state_;
    ruled.shot_number = before.shot_number + 1;
    std::uint32_t restored = 0;
    const int applied = simulator_.ApplyFreeGuardZone(&before, &ruled, settings_.rule, &restored);
    if (applied < 0) {
        fatal_ = "the physics library refused the free guard zone rule (ApplyFreeGuardZone returned " +
                 std::to_string(applied) + ")";
        return false;
    }
    if (applied == 1) {
        line.rule_undone = true;
        std::copy(std::begin(state_.stones), std::end(state_.stones), line.undone_after.begin());
        for (int k = 0; k < STONES_PER_END; ++k) {
            if ((restored >> k) & 1U) {
                line.restored.push_back(k);
            }
        }
        std::memcpy(state_.stones, ruled.stones, sizeof state_.stones);
    }
    return true;
}

std::optional<Fault> Game::send_score(int side, int end_score) {
    const Deadline deadline = Clock::now() + settings_.ready_timeout;
    return io_fault(players_[side]->send(format_score(end_score), deadline), side,
                    GameEnding::STALL, "SCORE not taken in time", "while taking SCORE");
}

std::optional<Fault> Game::play_end(int end, int first_thrower) {
    std::memset(state_.stones, 0, sizeof state_.stones);
    for (int shot = 0; shot < STONES_PER_END; ++shot) {
        if (hooks_.abandon != nullptr && hooks_.abandon->load()) {
            abandoned_ = true;
            return std::nullopt;
        }
        if (auto fault = play_shot(end, shot, first_thrower)) {
            return fault;
        }
    }
    // After the last stone the first thrower owns the even stones again.
    GAMESTATE scored = state_;
    scored.shot_number = STONES_PER_END;
    scored.moving_side = static_cast<uint8_t>(first_thrower);
    const int end_score = std::clamp<int>(simulator_.GetScore(&scored), -8, 8);
    state_.end_scores[end] = end_score;
    result_.score[0] += std::max(end_score, 0);
    result_.score[1] += std::max(-end_score, 0);
    const int hammer = hammer_side(first_thrower);
    result_.ends.push_back(EndResult{end_score, hammer});
    write_json_line(record_, records::end_json(records::EndLine{
                                 index_, end, end_score, hammer + 1, {result_.score[0], result_.score[1]}}));
    if (hooks_.on_end) {
        hooks_.on_end(result_);
    }
    for (int side = 0; side < 2; ++side) {
        if (auto fault = send_score(side, end_score)) {
            return fault;
        }
    }
    return std::nullopt;
}

void Game::finish(const std::optional<Fault>& fault) {
    if (fault) {
        result_.ending = fault->ending;
        result_.concerns = fault->side;
        result_.detail = fault->detail;
        result_.winner = 1 - fault->side;
    } else {
        result_.winner = winner_from_totals(result_.score[0], result_.score[1]);
    }
    records::GameLine line;
    line.game = index_;
    line.score = {result_.score[0], result_.score[1]};
    line.winner = result_.winner ? std::optional<int>(*result_.winner + 1) : std::nullopt;
    line.ending = result_.ending;
    line.player = result_.concerns ? std::optional<int>(*result_.concerns + 1) : std::nullopt;
    line.detail = result_.detail;
    line.first_hammer = hammer_side(first_thrower_of_game(index_)) + 1;
    for (const EndResult& end : result_.ends) {
        line.end_scores.push_back(end.score);
    }
    write_json_line(record_, records::game_json(line));
}

GameOutcome Game::play() {
    std::optional<Fault> fault;
    for (int side = 0; side < 2 && !fault; ++side) {
        fault = handshake(side);
    }
    int first_thrower = first_thrower_of_game(index_);
    for (int end = 0; !fault && !abandoned_ &&
                      another_end(settings_.regular_ends, end, result_.score[0], result_.score[1]);
         ++end) {
        fault = play_end(end, first_thrower);
        if (!result_.ends.empty()) {
            first_thrower = first_thrower_after(first_thrower, result_.ends.back().score);
        }
    }
    // A match being stopped ends its players: what that did to this game is
    // no fault of theirs, and the game is not counted.
    if ((fault || fatal_) && hooks_.abandon != nullptr && hooks_.abandon->load()) {
        abandoned_ = true;
        fatal_.reset();
    }
    GameOutcome outcome;
    outcome.fatal = fatal_;
    if (fatal_ || abandoned_) {
        return outcome;
    }
    finish(fault);
    outcome.result = result_;
    outcome.finished = true;
    return outcome;
}

}  // namespace

GameOutcome play_game(int game_index, PlayerProcess* players[2], const SimulatorApi& simulator,
                      const GameSettings& settings, RecordFile& record, const GameHooks& hooks) {
    Game game(game_index, players, simulator, settings, record, hooks);
    return game.play();
}

}  // namespace runner
