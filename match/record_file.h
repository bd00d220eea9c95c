#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace runner {

// A JSON Lines record that one process owns while it writes it: an exclusive
// lock for as long as the file is open, no silent overwrite of an earlier
// record, and never a half line left behind. Each line is handed to the
// system as soon as it is made, so a process killed half-way leaves every
// finished line.
class RecordFile {
public:
    // How bytes reach the file; the system's write unless a test injects one.
    using WriteCall = std::function<ssize_t(int fd, const char* data, std::size_t size)>;

    explicit RecordFile(WriteCall write_call = nullptr);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens `path` for this process alone. Refuses (false, with a one-line
    // reason in `error`) what is not a regular file or a new one, a file
    // that another process holds, and an existing non-empty file unless
    // `overwrite` (which then truncates it, once the lock is held).
    bool open(const std::string& path, bool overwrite, std::string& error);
    // As open(), but the file keeps its text until replace() puts a whole
    // new one in its place: a write that fails leaves the old text.
    bool claim(const std::string& path, bool overwrite, std::string& error);

    // Opens an existing record to carry it on: locked as by open(), and its
    // whole text read into `text`. Writes nothing.
    bool open_existing(const std::string& path, std::string& text, std::string& error);
    // Replaces the open record's text with `text` (whole lines) in one step:
    // the new text goes to a locked file beside it, which then takes the
    // record's name. If anything fails the record is left as it was. Lines
    // written afterwards follow `text`.
    bool replace(const std::string& text, std::string& error);

    // Appends `line` and a line end. At the first failed write the file is
    // cut back to its last whole line and nothing more is written: false
    // from then on. Safe to call from several threads; lines never mix.
    bool write_line(const std::string& line);

    // Called once, on the writing thread, when the first write fails.
    void on_failure(std::function<void()> callback);
    // Why the record stopped, and what it still holds, or empty.
    std::string failure();
    std::uint64_t whole_lines();

private:
    void fail(int error_number);
    // Opens `path` with `flags`, checks that it is a regular file and takes
    // the lock; -1 with `error` set if not.
    int open_locked(const std::string& path, int flags, std::string& error);

    WriteCall write_call_;
    std::mutex mutex_;
    int fd_ = -1;
    std::string path_;
    std::uint64_t committed_bytes_ = 0;
    std::uint64_t committed_lines_ = 0;
    std::string failure_;
    std::function<void()> on_failure_;
};

}  // namespace runner
