// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tetrode {

// A regular file opened by path for reading, closed when the object goes. Only regular files are
// read: a FIFO could block the program for ever, a device (/dev/zero) never ends, and a folder or
// a socket holds no text.
class RegularFile {
  public:
    // Opens the file without blocking (a FIFO with no writer would otherwise hold the open call)
    // and checks its kind before a byte is read. A missing or unreadable path, or anything that
    // is not a regular file, is a file-open fault that names the path.
    explicit RegularFile(const std::string& path);

    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    ~RegularFile();

    // Reads up to `size` bytes into `into`; 0 at the end of the file. A failed read is a
    // file-open fault ("cannot be read") naming the path, never taken for the end of the file.
    std::size_t Read(char* into, std::size_t size);

    const std::string& path() const { return m_path; }
    // The file's size when it was opened.
    std::uint64_t size() const { return m_opened.size; }

    // Whether the file's size or modification time differ from when it was opened, or its path
    // now names another file (or none): what was read may then mix old and new contents.
    bool ChangedSinceOpened() const;

  private:
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;

        friend bool operator==(const Identity&, const Identity&) = default;
    };

    std::string m_path;
    int m_fd = -1;
    Identity m_opened;
};

} // namespace tetrode
