// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace tetrode {

// A text file opened by path for reading, closed when the object goes (on every path out of a
// load). It reads in blocks and hands out a block's worth at a time.
class TextFile {
  public:
    // Opens the file; a missing or unreadable file (or a directory) is a file-open fault that names
    // the path.
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

    const std::string& path() const { return m_path; }
    // The bytes handed out so far, and the file's size when it was opened.
    std::uint64_t consumed() const { return m_readBefore + m_next; }
    std::uint64_t size() const { return m_fileSize; }

  private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Refills the buffer once it is used up; false when nothing more can be read.
    bool FillBuffer();

    std::string m_path;
    std::unique_ptr<std::FILE, CloseFile> m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_size = 0;
    std::size_t m_next = 0;
    std::uint64_t m_readBefore = 0; // bytes of the blocks before the buffered one
    std::uint64_t m_fileSize = 0;
};

} // namespace tetrode
