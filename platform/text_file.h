// SPDX-License-Identifier: MIT
#pragma once

#include "platform/regular_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tetrode {

// A text file opened by path for reading, closed when the object goes (on every path out of a
// load). It reads in blocks and hands out a block's worth at a time.
class TextFile {
  public:
    // Opens the file as RegularFile does: a missing or unreadable file, or anything but a regular
    // file (a folder, a FIFO, a device), is a file-open fault that names the path.
    explicit TextFile(const std::string& path);

    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    TextFile(TextFile&&) noexcept = default;
    TextFile& operator=(TextFile&&) noexcept = default;
    ~TextFile() = default;

    // The bytes read ahead and not yet handed out, refilled from the file when none are left; empty
    // at the end of the file. A failed read is a file-open fault ("cannot read") naming the path.
    // Lets a reader scan a whole block for what it looks for (a line end) instead of asking byte by
    // byte; Consume() hands bytes out.
    std::string_view Buffered();

    // Hands out the first `count` bytes of Buffered() (count at most its size).
    void Consume(std::size_t count) { m_next += count; }

    const std::string& path() const { return m_file.path(); }
    // The bytes handed out so far, and the file's size when it was opened.
    std::uint64_t consumed() const { return m_readBefore + m_next; }
    std::uint64_t size() const { return m_file.size(); }

  private:
    // Refills the buffer once it is used up; false when nothing more can be read.
    bool FillBuffer();

    RegularFile m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_size = 0;
    std::size_t m_next = 0;
    std::uint64_t m_readBefore = 0; // bytes of the blocks before the buffered one
    bool m_ended = false;
};

} // namespace tetrode
