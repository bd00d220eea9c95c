#include "platform_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "player/write_all.h"

std::size_t read_input(char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, capacity);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

void write_output(const char* data, std::size_t size) { write_all(STDOUT_FILENO, data, size); }

void write_error_line(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
