// SPDX-License-Identifier: MIT
#pragma once

#include "platform/progress.h"
#include "platform/regular_file.h"

#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tetrode {

// Calls a progress callback by elapsed time: the reader tells it how far it has come as often as
// it likes, and it looks at the clock only once per kBytesPerLook bytes, so neither many short
// lines nor one long one cost more than the work itself, and a callback that cancels is heard
// within a few milliseconds of work.
class ProgressPacer {
  public:
    // Bytes between two looks at the clock: a fraction of a millisecond of parsing.
    static constexpr std::uint64_t kBytesPerLook = 32 * 1024;
    // How often the callback is called.
    static constexpr std::chrono::milliseconds kInterval{10};

    ProgressPacer(const ProgressCallback& progress, std::uint64_t total)
        : m_progress(progress), m_total(total) {}

    // A line [begin, end) starts at byte `offset` of the file.
    void StartLine(const char* begin, const char* end, std::uint64_t offset) {
        m_lineBegin = begin;
        m_lineEnd = end;
        m_lineOffset = offset;
        if (offset >= m_nextLook) {
            Look(offset);
        }
        SetLookPoint(begin);
    }

    // The reader has come to `at` in the current line.
    void At(const char* at) {
        if (at > m_lookPoint) [[unlikely]] {
            Look(m_lineOffset + static_cast<std::uint64_t>(at - m_lineBegin));
            SetLookPoint(at);
        }
    }

    // Work of about `bytes` bytes' worth was done outside the lines (a block read ahead, a large
    // block of values moved); it is reported at the current line.
    void Worked(std::uint64_t bytes) {
        m_worked += bytes;
        if (m_worked >= kBytesPerLook) {
            m_worked = 0;
            Look(m_lineOffset);
        }
    }

  private:
    using Clock = std::chrono::steady_clock;

    void Look(std::uint64_t offset);

    // Where in the current line the next look falls; at its end when beyond it (the reader never
    // passes the end, so that is never reached).
    void SetLookPoint(const char* from) {
        const std::uint64_t fromOffset =
            m_lineOffset + static_cast<std::uint64_t>(from - m_lineBegin);
        const std::uint64_t left = m_nextLook > fromOffset ? m_nextLook - fromOffset : 0;
        m_lookPoint = left < static_cast<std::uint64_t>(m_lineEnd - from)
                          ? from + static_cast<std::ptrdiff_t>(left)
                          : m_lineEnd;
    }

    const ProgressCallback& m_progress;
    std::uint64_t m_total;
    std::uint64_t m_nextLook = 0;
    // None yet: the first look reports, so a watcher hears of the load at once.
    Clock::time_point m_lastReport{};
    const char* m_lineBegin = nullptr;
    const char* m_lineEnd = nullptr;
    const char* m_lookPoint = nullptr;
    std::uint64_t m_lineOffset = 0;
    std::uint64_t m_worked = 0;
};

// Where the fields of one line end: its commas, found 64 bytes at a time, and then its end. A
// reader that knows where each field ends before it reads the field reads the numbers of a row
// independently of each other, not one after the other as when each number's end is found by
// reading it.
class LineCommas {
  public:
    // The most field ends a line is indexed for: fields beyond are never read.
    static constexpr std::size_t kMaxEnds = 32768;

    LineCommas() : m_ends(std::make_unique_for_overwrite<std::uint32_t[]>(kMaxEnds + 72)) {}

    // Indexes the line [begin, end), whose length fits 32 bits, as far as its first kMaxEnds
    // commas; false, with the index of no use, when a double quote stands among them (the quotes'
    // rules then decide where fields end).
    bool Index(const char* begin, const char* end) {
        m_begin = begin;
        m_taken = 0;
        const auto length = static_cast<std::size_t>(end - begin);
        std::size_t count = 0;
        std::uint64_t quotes = 0;
        for (std::size_t window = 0; window < length && count < kMaxEnds; window += 64) {
            std::uint64_t bits = 0;
            if (length - window >= 64) {
                bits = CommaBits(begin + window, quotes);
            } else {
                char tail[64] = {};
                std::memcpy(tail, begin + window, length - window);
                bits = CommaBits(tail, quotes);
            }
            // Eight at a time whatever the window holds (a window of a curve row holds about
            // seven), so that no branch depends on how many commas there are.
            const int found = BitCount(bits);
            std::uint32_t* const out = m_ends.get() + count;
            for (int i = 0; i < 8; ++i) {
                out[i] = static_cast<std::uint32_t>(window) +
                         static_cast<std::uint32_t>(std::countr_zero(bits));
                bits &= bits - 1;
            }
            for (int i = 8; i < found; ++i) {
                out[i] = static_cast<std::uint32_t>(window) +
                         static_cast<std::uint32_t>(std::countr_zero(bits));
                bits &= bits - 1;
            }
            count += static_cast<std::size_t>(found);
        }
        if (count < kMaxEnds) {
            m_ends[count] = static_cast<std::uint32_t>(length);
        }
        return quotes == 0;
    }

    // Where the next field ends: at its comma, or at the line's end for the last one. At most
    // kMaxEnds fields of a line are taken.
    const char* Next() { return m_begin + m_ends[m_taken++]; }

  private:
    // std::popcount without the POPCNT instruction, which the build does not assume, is a library
    // call; this is a dozen instructions.
    static int BitCount(std::uint64_t bits) {
        bits -= (bits >> 1) & 0x5555555555555555U;
        bits = (bits & 0x3333333333333333U) + ((bits >> 2) & 0x3333333333333333U);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FU;
        return static_cast<int>((bits * 0x0101010101010101U) >> 56);
    }

    // A bit for each comma among the 64 bytes; any double quote among them is added to `quotes`.
    static std::uint64_t CommaBits(const char* bytes, std::uint64_t& quotes) {
        std::uint64_t bits = 0;
#if defined(__SSE2__)
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        __m128i anyQuote = _mm_setzero_si128();
        for (int i = 0; i < 4; ++i) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
            const auto found =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, comma)));
            bits |= static_cast<std::uint64_t>(found) << (16 * i);
            anyQuote = _mm_or_si128(anyQuote, _mm_cmpeq_epi8(chunk, quote));
        }
        quotes |= static_cast<unsigned>(_mm_movemask_epi8(anyQuote));
#else
        for (int i = 0; i < 64; ++i) {
            bits |= static_cast<std::uint64_t>(bytes[i] == ',') << i;
            quotes |= bytes[i] == '"' ? 1U : 0U;
        }
#endif
        return bits;
    }

    std::unique_ptr<std::uint32_t[]> m_ends;
    const char* m_begin = nullptr;
    std::size_t m_taken = 0;
};

// The lines of a curve file, read in large blocks. A line ends at LF, at CR LF or at a lone CR
// (which leaves the next character to the next line); the last line need not end. A UTF-8
// byte-order mark at the very start of the file is skipped; everywhere else every byte, NUL
// included, is an ordinary character. A line may be at most kMaxLineBytes long, so a file without
// line ends (a sparse file's hole, a stream of commas) costs a bounded buffer, not its size.
class LineSource {
  public:
    // The longest line: 32768 fields (a label and 32767 values, the most an axis holds) of 32
    // bytes each, comma included; the longest number a program writes for a single or a double
    // ("-1.2345678901234567E-305") is 24 characters, which leaves room for blanks.
    static constexpr std::size_t kMaxLineBytes = 32768 * 32;

    // `fileName` names the file in faults.
    LineSource(RegularFile& file, std::string fileName, ProgressPacer& pacer);

    // The next line without its line end, valid until the next call; false at the end of the file
    // (and on every call after it). A line longer than kMaxLineBytes is an overflow fault placed at
    // its line.
    bool Next(std::string_view& line);

    // The number of the line last delivered, counted from 1; at the end of the file, the number the
    // next line would have had.
    int lineNumber() const { return m_lineNumber; }

    // The offset in the file of a byte of the line last delivered.
    std::uint64_t OffsetOf(const char* at) const {
        return m_bufferOffset + static_cast<std::uint64_t>(at - m_buffer.get());
    }

  private:
    // Moves what is left to the front of the buffer and reads more behind it; false at the end of
    // the file.
    bool Refill();
    [[noreturn]] void LineTooLong() const;

    RegularFile& m_file;
    std::string m_fileName;
    ProgressPacer& m_pacer;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;          // the first byte not yet delivered
    std::size_t m_end = 0;            // the end of the bytes read
    std::uint64_t m_bufferOffset = 0; // the offset in the file of the buffer's first byte
    bool m_endOfFile = false;
    bool m_linesDone = false;
    int m_lineNumber = 0;
};

} // namespace tetrode
