#include "platform_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

void write_output(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(STDOUT_FILENO, data, size);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

void write_error_line(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
