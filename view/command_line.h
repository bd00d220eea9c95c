#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

// The view tools end as curling-match does: 0 when the picture was written,
// 2 when an option, an input, the physics library or an output is unusable.
inline constexpr int EXIT_UNUSABLE = 2;

// Parses the command line; a status to end with when it was refused (one
// line naming the tool) or help was asked for, nothing when the tool runs.
inline std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv,
                                             const std::string& tool, std::ostream& out,
                                             std::ostream& err) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& help) {
        return app.exit(help, out, err);
    } catch (const CLI::ParseError& error) {
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        err << tool << ": " << message << "; see --help\n";
        return EXIT_UNUSABLE;
    }
    return std::nullopt;
}
