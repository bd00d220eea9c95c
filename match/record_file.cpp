#include "record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace runner {

RecordFile::RecordFile(WriteCall write_call) : write_call_(std::move(write_call)) {
    if (!write_call_) {
        write_call_ = [](int fd, const char* data, std::size_t size) { return ::write(fd, data, size); };
    }
}

RecordFile::~RecordFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

namespace {

bool lock_for_writing(int fd) {
    // An open-file-description lock: held until this descriptor closes, not
    // dropped when some other descriptor of the same file is closed, and
    // seen across the network by file systems that support locking.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool write_all(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = EIO;
            }
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

int RecordFile::open_locked(const std::string& path, int flags, std::string& error) {
    // Not truncated on opening: the file may be another process's record.
    // Non-blocking, so a FIFO without a reader is refused, not waited on.
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = errno == ENXIO ? path + " is not a regular file"
                               : "cannot " + std::string((flags & O_CREAT) != 0 ? "write " : "open ") +
                                     path + ": " + std::strerror(errno);
        return -1;
    }
    const auto refuse = [&](const std::string& reason) {
        close(fd);
        error = reason;
        return -1;
    };
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return refuse("cannot write " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse(path + " is not a regular file");
    }
    if (!lock_for_writing(fd)) {
        if (errno == EAGAIN || errno == EACCES) {
            return refuse(path + " is being written by another process");
        }
        return refuse("cannot lock " + path + ": " + std::strerror(errno));
    }
    fcntl(fd, F_SETFL, O_APPEND);
    return fd;
}

bool RecordFile::claim(const std::string& path, bool overwrite, std::string& error) {
    path_ = path;
    const int fd = open_locked(path, O_WRONLY | O_CREAT, error);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || (info.st_size > 0 && !overwrite)) {
        error = info.st_size > 0 ? path + " already holds " + std::to_string(info.st_size) +
                                       " bytes; --force overwrites it"
                                 : "cannot write " + path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool RecordFile::open(const std::string& path, bool overwrite, std::string& error) {
    if (!claim(path, overwrite, error)) {
        return false;
    }
    if (ftruncate(fd_, 0) != 0) {
        error = "cannot truncate " + path + ": " + std::strerror(errno);
        close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

bool RecordFile::open_existing(const std::string& path, std::string& text, std::string& error) {
    path_ = path;
    const int fd = open_locked(path, O_RDWR, error);
    if (fd < 0) {
        return false;
    }
    text.clear();
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    fd_ = fd;
    return true;
}

bool RecordFile::replace(const std::string& text, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string temporary = path_ + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write beside " + path_ + ": " + std::strerror(errno);
        return false;
    }
    const auto give_up = [&](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    };
    struct stat info {};
    // The lock is taken before the new file has the record's name, so no
    // other runner can ever open the record unlocked.
    if (!lock_for_writing(fd) || fstat(fd_, &info) != 0 || fchmod(fd, info.st_mode & 07777) != 0) {
        return give_up("cannot prepare the new text of " + path_);
    }
    if (!write_all(fd, text) || fsync(fd) != 0) {
        return give_up("cannot write the new text of " + path_);
    }
    if (rename(temporary.c_str(), path_.c_str()) != 0) {
        return give_up("cannot put the new text in place of " + path_);
    }
    fcntl(fd, F_SETFL, O_APPEND);
    close(fd_);
    fd_ = fd;
    committed_bytes_ = text.size();
    committed_lines_ = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
    return true;
}

void RecordFile::fail(int error_number) {
    failure_ = std::strerror(error_number);
    // A half line would break every reader of the record: take it back.
    if (ftruncate(fd_, static_cast<off_t>(committed_bytes_)) == 0) {
        failure_ += "; the record was cut back to its last whole line (" +
                    std::to_string(committed_lines_) + " lines)";
    } else {
        failure_ += std::string("; cutting back the half-written line failed too: ") +
                    std::strerror(errno);
    }
    if (on_failure_) {
        on_failure_();
    }
}

bool RecordFile::write_line(const std::string& line) {
    const std::string text = line + '\n';
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0 || !failure_.empty()) {
        return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = write_call_(fd_, text.data() + written, text.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            fail(put < 0 ? errno : EIO);
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    committed_bytes_ += text.size();
    ++committed_lines_;
    return true;
}

void RecordFile::on_failure(std::function<void()> callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    on_failure_ = std::move(callback);
}

std::string RecordFile::failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

std::uint64_t RecordFile::whole_lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return committed_lines_;
}

}  // namespace runner
