#pragma once

#include <string>

// Turns an SVG picture into a PNG file with librsvg's converter
// (rsvg-convert, Debian package librsvg2-bin); nothing here draws pixels.
// Returns an empty string on success, otherwise why it failed.
std::string write_png(const std::string& svg, const std::string& path);

// Writes text to a file in full; an empty string on success, otherwise why not.
std::string write_file(const std::string& path, const std::string& text);

// True when the path ends with the extension (".png"), in any case.
bool has_extension(const std::string& path, const std::string& extension);
