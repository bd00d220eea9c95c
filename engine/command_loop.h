#pragma once

#include <cstddef>

inline constexpr std::size_t COMMAND_BUFFER_SIZE = 1024;
inline constexpr std::size_t TOKEN_BUFFER_SIZE = 1024;

// Copies token `n` (from 0) of `line` into `out` (TOKEN_BUFFER_SIZE bytes),
// zero-terminated. False when the line ends before token `n` begins.
bool next_token(char* out, const char* line, int n);

// Handles one command line held in a zero-terminated buffer that it may
// modify. False when a field the command needs is missing.
bool handle_command(char* line);

// Reads and handles commands until standard input ends.
void run_read_loop();
