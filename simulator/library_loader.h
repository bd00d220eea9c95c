#pragma once

#include <string>

// The platform's dynamic loading, kept apart so a port swaps only its source.

// Opens a shared library; returns nullptr on failure with the system
// loader's message in `error`. Libraries stay loaded.
void* open_library(const char* path, std::string& error);
// The file the system loader opened for `library` (where its search found
// a bare name), or "" if it cannot tell.
std::string library_file(void* library);
// Address of an exported symbol, or nullptr.
void* find_library_symbol(void* library, const char* name);
// Folder of the running executable with a trailing separator, or "" if unknown.
std::string executable_directory();
