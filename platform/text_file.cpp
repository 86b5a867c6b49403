// SPDX-License-Identifier: MIT
#include "platform/text_file.h"

#include "platform/fault.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tetrode {
namespace {

// Large enough that a curve file of a hundred megabytes costs a few thousand system calls, small
// enough to stay in the cache while its lines are split.
constexpr std::size_t kBlockSize = 64 * 1024;

[[noreturn]] void CannotOpen(const std::string& path, const std::string& reason) {
    throw Fault(FaultKind::FileOpen, "cannot be opened: " + reason, FilePlace{path});
}

} // namespace

TextFile::TextFile(const std::string& path) : m_path(path) {
    if (path.empty()) {
        CannotOpen(path, "no file name was given");
    }
    // fopen succeeds on a directory under POSIX and only the first read fails, which would look
    // like an empty file; a directory is refused here instead.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        CannotOpen(path, "it is a folder, not a file");
    }
    errno = 0;
    m_file.reset(std::fopen(path.c_str(), "rb"));
    if (!m_file) {
        CannotOpen(path, errno != 0 ? std::strerror(errno) : "unknown reason");
    }
    m_buffer = std::make_unique_for_overwrite<char[]>(kBlockSize);
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(path, unknown);
    m_fileSize = unknown ? 0 : size;
}

bool TextFile::FillBuffer() {
    if (!m_file) {
        return false;
    }
    m_readBefore += m_size;
    errno = 0;
    m_size = std::fread(m_buffer.get(), 1, kBlockSize, m_file.get());
    m_next = 0;
    // A read that fails part-way must not look like the end of the file: the line it cut short
    // would be delivered as a whole one, and a number in it silently shortened.
    if (std::ferror(m_file.get()) != 0) {
        throw Fault(FaultKind::FileOpen,
                    std::string("cannot be read: ") +
                        (errno != 0 ? std::strerror(errno) : "read error"),
                    FilePlace{m_path});
    }
    return m_size != 0;
}

std::string_view TextFile::Buffered() {
    if (m_next == m_size && !FillBuffer()) {
        return {};
    }
    return {m_buffer.get() + m_next, m_size - m_next};
}

} // namespace tetrode
