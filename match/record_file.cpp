#include "record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

bool RecordFile::open(const std::string& path, bool overwrite, std::string& error) {
    path_ = path;
    // Not truncated on opening: the file may be another process's record.
    // Non-blocking, so a FIFO without a reader is refused, not waited on.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = errno == ENXIO ? path + " is not a regular file"
                               : "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const auto refuse = [&](const std::string& reason) {
        close(fd);
        error = reason;
        return false;
    };
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return refuse("cannot write " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse(path + " is not a regular file");
    }
    // An open-file-description lock: held until this descriptor closes, not
    // dropped when some other descriptor of the same file is closed, and
    // seen across the network by file systems that support locking.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EAGAIN || errno == EACCES) {
            return refuse(path + " is being written by another process");
        }
        return refuse("cannot lock " + path + ": " + std::strerror(errno));
    }
    if (fstat(fd, &info) != 0) {
        return refuse("cannot write " + path + ": " + std::strerror(errno));
    }
    if (info.st_size > 0) {
        if (!overwrite) {
            return refuse(path + " already holds " + std::to_string(info.st_size) +
                          " bytes; --force overwrites it");
        }
        if (ftruncate(fd, 0) != 0) {
            return refuse("cannot truncate " + path + ": " + std::strerror(errno));
        }
    }
    fcntl(fd, F_SETFL, O_APPEND);
    fd_ = fd;
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
