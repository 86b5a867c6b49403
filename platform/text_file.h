// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tetrode {

// A text file opened by path for reading, closed when the object goes (on every path out of a
// load). It reads in blocks and hands out one byte at a time.
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

    // The next byte, or false at the end of the file or when reading fails.
    bool ReadChar(char& out);

    // The byte that ReadChar would give next, left in place; false at the end of the file or when
    // reading fails. The line reader needs it to tell CR LF from a lone CR.
    bool PeekChar(char& out);

    const std::string& path() const { return m_path; }

  private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string m_path;
    std::unique_ptr<std::FILE, CloseFile> m_file;
    // Refills the buffer once it is used up; false when nothing more can be read.
    bool FillBuffer();

    std::unique_ptr<char[]> m_buffer;
    std::size_t m_size = 0;
    std::size_t m_next = 0;
};

} // namespace tetrode
