#include "command_loop.h"
#include "platform_io.h"
#include "simulator/simulator_binding.h"

int main() {
    if (!load_simulator()) {
        write_error_line("failed to load CurlingSimulator.dll");
        return 0;
    }
    run_read_loop();
    return 0;
}
