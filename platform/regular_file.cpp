// SPDX-License-Identifier: MIT
#include "platform/regular_file.h"

#include "platform/fault.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tetrode {
namespace {

[[noreturn]] void CannotOpen(const std::string& path, std::string_view reason) {
    std::string cause = "cannot be opened: ";
    cause.append(reason);
    throw Fault(FaultKind::FileOpen, cause, FilePlace{path});
}

// The system's words for an error number; unlike strerror, safe on any thread.
std::string ErrorWords(int error) {
    return std::generic_category().message(error);
}

// Why a file of this kind is refused; empty for a regular file.
std::string_view KindRefusal(mode_t mode) {
    if (S_ISREG(mode)) {
        return {};
    }
    if (S_ISDIR(mode)) {
        return "it is a folder, not a file";
    }
    if (S_ISFIFO(mode)) {
        return "it is a named pipe (FIFO), not a file; only regular files are read";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "it is a device, not a file; only regular files are read";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket, not a file; only regular files are read";
    }
    return "it is not a regular file; only regular files are read";
}

} // namespace

RegularFile::RegularFile(const std::string& path) : m_path(path) {
    if (path.empty()) {
        CannotOpen(path, "no file name was given");
    }
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        const int error = errno;
        // A socket cannot be opened at all (ENXIO); its kind says more than the error does.
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && !KindRefusal(status.st_mode).empty()) {
            CannotOpen(path, KindRefusal(status.st_mode));
        }
        CannotOpen(path, ErrorWords(error));
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        const int error = errno;
        ::close(m_fd);
        CannotOpen(path, ErrorWords(error));
    }
    if (const std::string_view refusal = KindRefusal(status.st_mode); !refusal.empty()) {
        ::close(m_fd);
        CannotOpen(path, refusal);
    }
    m_opened = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino),
                static_cast<std::uint64_t>(status.st_size),
                static_cast<std::int64_t>(status.st_mtim.tv_sec),
                static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)),
      m_opened(other.m_opened) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_opened = other.m_opened;
    }
    return *this;
}

RegularFile::~RegularFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::size_t RegularFile::Read(char* into, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(m_fd, into, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            std::string cause = "cannot be read: ";
            cause.append(ErrorWords(errno));
            throw Fault(FaultKind::FileOpen, cause, FilePlace{m_path});
        }
    }
}

bool RegularFile::ChangedSinceOpened() const {
    struct stat now {};
    struct stat named {};
    if (::fstat(m_fd, &now) != 0 || ::stat(m_path.c_str(), &named) != 0) {
        return true;
    }
    const Identity current{
        static_cast<std::uint64_t>(named.st_dev), static_cast<std::uint64_t>(named.st_ino),
        static_cast<std::uint64_t>(now.st_size), static_cast<std::int64_t>(now.st_mtim.tv_sec),
        static_cast<std::int64_t>(now.st_mtim.tv_nsec)};
    return !(current == m_opened);
}

} // namespace tetrode
