#pragma once

#include <cstddef>

// Writes all `size` bytes to `fd`, retrying on interruption and on a
// partial write, so a reply is never cut. False when the descriptor fails.
bool write_all(int fd, const char* data, std::size_t size);
