// A protocol player for the runner's tests, with ways to misbehave on
// purpose. Like the engine, it takes each read of its input as one command
// and drops the rest of that read, so a command sent too early is lost.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Settings {
    std::string mode = "normal";
    int at_go = 1;  // the GO (counted from start) at which the mode strikes
    int think_ms = 0;
    int jitter_us = 0;  // random pause before each read
    const char* log = nullptr;
    // Starts a process of its own that sleeps for ever, and writes
    // "player PID" and "child PID" to this file; with `own_session` the
    // child leaves the player's process group and session.
    const char* fork_log = nullptr;
    bool own_session = false;
    // Scripted replies ("vx vy spin" each, comma-separated): GO number k
    // answers the k-th; once they are used up, a stone too slow to reach
    // the far hog line, which the physics removes without touching any.
    std::vector<std::string> shots;
};

std::vector<std::string> split_shots(const std::string& text) {
    std::vector<std::string> shots;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        shots.push_back("BESTSHOT " + text.substr(start, comma - start));
        start = comma + 1;
    }
    return shots;
}

Settings parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--mode") {
            settings.mode = value;
        } else if (key == "--at-go") {
            settings.at_go = std::atoi(value);
        } else if (key == "--think-ms") {
            settings.think_ms = std::atoi(value);
        } else if (key == "--jitter-us") {
            settings.jitter_us = std::atoi(value);
        } else if (key == "--log") {
            settings.log = value;
        } else if (key == "--shots") {
            settings.shots = split_shots(value);
        } else if (key == "--fork-child" || key == "--fork-session") {
            settings.fork_log = value;
            settings.own_session = key == "--fork-session";
        }
    }
    return settings;
}

void reply(const std::string& text) {
    if (write(STDOUT_FILENO, text.data(), text.size()) < 0) {
        std::exit(1);
    }
}

void log_read(const char* path, const std::string& text) {
    if (path == nullptr) {
        return;
    }
    std::string escaped;
    for (char c : text) {
        escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    }
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%d %s\n", static_cast<int>(getpid()), escaped.c_str());
        std::fclose(file);
    }
}

// A shot that depends only on the position, so games replay exactly; the
// test simulators put it within a metre of the tee.
std::string shot_for(const std::string& position) {
    const std::size_t hash = std::hash<std::string>{}(position);
    const double vx = static_cast<double>(hash % 201) / 100.0 - 1.0;
    const double vy = -30.0 + static_cast<double>((hash / 201) % 201) / 100.0 - 1.0;
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "BESTSHOT %f %f %d", vx, vy, static_cast<int>(hash % 2));
    return buffer;
}

}  // namespace

void append_line(const char* path, const std::string& line) {
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

// A descendant such as a helper or a daemon a real player might start; it
// keeps the player's pipes open, as a careless one would.
void start_child(const Settings& settings) {
    append_line(settings.fork_log, "player " + std::to_string(getpid()));
    const pid_t child = fork();
    if (child == 0) {
        if (settings.own_session) {
            setsid();
        }
        append_line(settings.fork_log, "child " + std::to_string(getpid()));
        for (;;) {
            pause();
        }
    }
    // Written only once the child has written, so a test that sees both
    // lines knows both processes exist.
    while (child > 0) {
        std::FILE* file = std::fopen(settings.fork_log, "r");
        std::string text;
        if (file != nullptr) {
            char chunk[256];
            std::size_t got = 0;
            while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
                text.append(chunk, got);
            }
            std::fclose(file);
        }
        if (text.find("child " + std::to_string(child) + "\n") != std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int main(int argc, char** argv) {
    const Settings settings = parse(argc, argv);
    if (settings.mode == "no-start") {
        return 0;
    }
    if (settings.fork_log != nullptr) {
        start_child(settings);
    }
    std::mt19937 random(static_cast<unsigned>(getpid()));
    std::string position;
    int go_count = 0;
    char buffer[1024];
    for (;;) {
        if (settings.jitter_us > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(
                std::uniform_int_distribution<int>(0, settings.jitter_us)(random)));
        }
        std::memset(buffer, 0, sizeof buffer);
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer - 1);
        if (got <= 0) {
            return 0;
        }
        const std::string text(buffer, static_cast<std::size_t>(got));
        log_read(settings.log, text);
        const std::string line = text.substr(0, text.find_first_of("\r\n"));
        const std::string word = line.substr(0, line.find(' '));
        if (word == "ISREADY") {
            if (settings.mode != "stall") {
                reply("READYOK");
            }
        } else if (word == "POSITION") {
            position = line;
        } else if (word == "GO") {
            ++go_count;
            const bool strike = go_count >= settings.at_go;
            if (settings.think_ms > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(settings.think_ms));
            }
            if (strike && settings.mode == "crash") {
                std::abort();
            } else if (strike && settings.mode == "exit3") {
                std::exit(3);
            } else if (strike && settings.mode == "rawbytes") {
                // Cursor moves, a colour, an invalid byte, a zero byte, an
                // 8-bit control sequence start and a bell.
                reply(std::string("\x1b[2J\x1b[31mWIN\xff\x00\xc2\x9b\x07", 17));
            } else if (strike && settings.mode == "silent") {
                for (;;) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
            } else if (strike && settings.mode == "closeout") {
                // alive, but with no way left to answer
                close(STDOUT_FILENO);
                for (;;) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
            } else if (strike && settings.mode == "flood") {
                const std::string junk(4096, 'x');
                for (;;) {
                    reply(junk);
                }
            } else if (strike && settings.mode == "garbage") {
                reply("HELLO THERE");
            } else if (strike && settings.mode == "nan") {
                reply("BESTSHOT nan -30.000000 0");
            } else if (strike && settings.mode == "badspin") {
                reply("BESTSHOT 0.100000 -30.000000 2");
            } else if (!settings.shots.empty()) {
                const std::size_t k = static_cast<std::size_t>(go_count - 1);
                reply(k < settings.shots.size() ? settings.shots[k] : "BESTSHOT 0 -1 0");
            } else {
                reply(shot_for(position));
            }
        }
    }
}
