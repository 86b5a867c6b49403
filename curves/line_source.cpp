// SPDX-License-Identifier: MIT
#include "curves/line_source.h"

#include "platform/fault.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tetrode {
namespace {

// Large enough that a file of a hundred megabytes costs a few hundred system calls, small enough
// to stay in the cache while its lines are parsed.
constexpr std::size_t kBlockBytes = 256 * 1024;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

void ProgressPacer::Look(std::uint64_t offset) {
    m_nextLook = offset + kBytesPerLook;
    if (!m_progress) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - m_lastReport >= kInterval) {
        m_lastReport = now;
        m_progress(offset, m_total);
    }
}

LineSource::LineSource(RegularFile& file, std::string fileName, ProgressPacer& pacer)
    : m_file(file), m_fileName(std::move(fileName)), m_pacer(pacer),
      m_buffer(std::make_unique_for_overwrite<char[]>(kBlockBytes)), m_capacity(kBlockBytes) {
    // Spreadsheets' "CSV UTF-8" starts the file with a byte-order mark, which no user sees.
    while (m_end < kByteOrderMark.size() && Refill()) {
    }
    if (std::string_view(m_buffer.get(), m_end).starts_with(kByteOrderMark)) {
        m_begin = kByteOrderMark.size();
    }
}

bool LineSource::Refill() {
    if (m_endOfFile) {
        return false;
    }
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, m_end - m_begin);
        m_bufferOffset += m_begin;
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_capacity - m_end < kBlockBytes / 2) {
        // Only a line longer than a block grows the buffer, and never beyond the longest line.
        const std::size_t capacity = std::min(2 * m_capacity, kMaxLineBytes + kBlockBytes);
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        std::memcpy(grown.get(), m_buffer.get(), m_end);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }
    const std::size_t got = m_file.Read(m_buffer.get() + m_end, m_capacity - m_end);
    m_end += got;
    m_endOfFile = got == 0;
    m_pacer.Worked(got);
    return got > 0;
}

bool LineSource::Next(std::string_view& line) {
    // Bytes at the start of the line already searched for its end.
    std::size_t searched = 0;
    for (;;) {
        const char* const start = m_buffer.get() + m_begin;
        const char* const end = m_buffer.get() + m_end;
        const char* const from = start + searched;
        const auto* lineFeed =
            static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
        const char* const before = lineFeed != nullptr ? lineFeed : end;
        const auto* carriageReturn = static_cast<const char*>(
            std::memchr(from, '\r', static_cast<std::size_t>(before - from)));
        const char* const lineEnd = carriageReturn != nullptr ? carriageReturn : lineFeed;
        if (lineEnd == nullptr) {
            const auto length = static_cast<std::size_t>(end - start);
            if (length > kMaxLineBytes) {
                ++m_lineNumber;
                LineTooLong();
            }
            searched = length;
            if (Refill()) {
                continue;
            }
            if (length == 0) {
                if (!m_linesDone) {
                    m_linesDone = true;
                    ++m_lineNumber;
                }
                return false;
            }
            // The last line ran into the end of the file.
            ++m_lineNumber;
            line = {m_buffer.get() + m_begin, length};
            m_begin = m_end;
            return true;
        }
        const auto length = static_cast<std::size_t>(lineEnd - start);
        if (length > kMaxLineBytes) {
            ++m_lineNumber;
            LineTooLong();
        }
        std::size_t taken = length + 1;
        if (lineEnd == carriageReturn) {
            // CR LF is one line end; a lone CR (old Macintosh files) ends the line by itself and
            // leaves the next character, which may still be unread, to the next line.
            if (lineEnd + 1 == end && Refill()) {
                searched = length;
                continue;
            }
            const char* const next = m_buffer.get() + m_begin + taken;
            if (next < m_buffer.get() + m_end && *next == '\n') {
                ++taken;
            }
        }
        ++m_lineNumber;
        line = {m_buffer.get() + m_begin, length};
        m_begin += taken;
        return true;
    }
}

void LineSource::LineTooLong() const {
    std::string cause = "the line is longer than ";
    cause.append(std::to_string(kMaxLineBytes));
    cause.append(" bytes, the most a curve file's line can hold (32768 fields of 32 bytes)");
    throw Fault(FaultKind::Overflow, cause, FilePlace{m_fileName, m_lineNumber, 0});
}

} // namespace tetrode
