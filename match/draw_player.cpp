#include "draw_player.h"

#include "player/protocol.h"

ShotVector make_draw_shot(const SimulatorApi& simulator) {
    ShotVector shot{};
    simulator.CreateShot(ShotTarget{curling::TEE_X, curling::TEE_Y, 0}, &shot);
    return shot;
}

void run_draw_player(int input_fd, int output_fd, const ShotVector& shot) {
    ProtocolSession session([shot](const GAMESTATE&, std::int32_t) { return shot; });
    run_protocol(input_fd, output_fd, session);
}
