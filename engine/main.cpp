#include <string>

#include "command_loop.h"
#include "platform_io.h"
#include "simulator/simulator_binding.h"
#include "strategy/worker_stack.h"

int main() {
    // First, before any thread starts. Should the platform refuse, the
    // searches keep the system's stacks: slower, same answers.
    use_worker_stack();
    std::string why;
    if (!load_simulator(&why)) {
        // The first line is what servers look for; the second says which
        // files were tried and what the system loader answered. A player
        // that cannot play must not end as if it had played.
        write_error_line("failed to load CurlingSimulator.dll");
        for (char& c : why) {
            if (c == '\n' || c == '\r') {
                c = ' ';
            }
        }
        write_error_line(why.c_str());
        return 1;
    }
    run_read_loop();
    return 0;
}
