#pragma once

#include <string>
#include <vector>

// Turns an SVG picture into a PNG file with librsvg's converter
// (rsvg-convert, Debian package librsvg2-bin); nothing here draws pixels.
// Returns an empty string on success, otherwise why it failed.
std::string write_png(const std::string& svg, const std::string& path);

// Writes text to a file in full; an empty string on success, otherwise why not.
std::string write_file(const std::string& path, const std::string& text);

// True when the path ends with the extension (".png"), in any case.
bool has_extension(const std::string& path, const std::string& extension);

// Why a tool could not write `path` (a wrong extension, a folder that is not
// there or not writable, a file that is not a regular one or is read-only),
// or an empty string. `extensions` are those the tool writes under that name.
std::string output_problem(const std::string& path, const std::vector<std::string>& extensions);

struct OutputFile {
    std::string path;
    std::string content;
    bool png = false;  // content is SVG to convert
};

// Writes every file, or none: each goes to a temporary file beside it
// first, and only when all are written are they renamed into place. An
// empty string on success, otherwise why not.
std::string write_outputs(const std::vector<OutputFile>& files);
