#include "command_loop.h"
#include "platform_io.h"
#include "simulator/simulator_binding.h"
#include "strategy/worker_stack.h"

int main() {
    // First, before any thread starts. Should the platform refuse, the
    // searches keep the system's stacks: slower, same answers.
    use_worker_stack();
    if (!load_simulator()) {
        write_error_line("failed to load CurlingSimulator.dll");
        return 0;
    }
    run_read_loop();
    return 0;
}
