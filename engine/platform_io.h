#pragma once

#include <cstddef>

// Standard input, output and error as the protocol needs them; one small
// source per platform implements these.

// One read of standard input into `buffer`, at most `capacity` bytes. Returns
// the byte count, or 0 when the input has ended or the read failed.
std::size_t read_input(char* buffer, std::size_t capacity);

// Writes all `size` bytes to standard output unbuffered, retrying on
// interruption and on a partial write so a reply is never cut.
void write_output(const char* data, std::size_t size);

// Writes `text` and a line end to the standard error stream and flushes it.
void write_error_line(const char* text);
