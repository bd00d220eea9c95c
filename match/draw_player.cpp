#include "draw_player.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "game_rules.h"

ShotVector make_draw_shot(const SimulatorApi& simulator) {
    ShotVector shot{};
    simulator.CreateShot(ShotTarget{curling::TEE_X, curling::TEE_Y, 0}, &shot);
    return shot;
}

std::string draw_player_reply(const std::string& input, const ShotVector& shot) {
    std::string reply;
    std::istringstream lines(input);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        for (char& c : command) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (command == "ISREADY") {
            reply += "READYOK";
        } else if (command == "GO") {
            char buffer[96];
            std::snprintf(buffer, sizeof buffer, "BESTSHOT %f %f %d", static_cast<double>(shot.vx),
                          static_cast<double>(shot.vy), shot.spin);
            reply += buffer;
        }
    }
    return reply;
}

void run_draw_player(int input_fd, int output_fd, const ShotVector& shot) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(input_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        const std::string reply = draw_player_reply(std::string(buffer, static_cast<std::size_t>(got)), shot);
        std::size_t written = 0;
        while (written < reply.size()) {
            const ssize_t put = write(output_fd, reply.data() + written, reply.size() - written);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return;
            }
            written += static_cast<std::size_t>(put);
        }
    }
}
