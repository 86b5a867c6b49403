// SPDX-License-Identifier: MIT
#include "platform/text_file.h"

namespace tetrode {
namespace {

// Large enough that a curve file of a hundred megabytes costs a few thousand system calls, small
// enough to stay in the cache while its lines are split.
constexpr std::size_t kBlockSize = 64 * 1024;

} // namespace

TextFile::TextFile(const std::string& path)
    : m_file(path), m_buffer(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

bool TextFile::FillBuffer() {
    if (m_ended) {
        return false;
    }
    m_readBefore += m_size;
    m_next = 0;
    // A read that fails part-way is a fault of RegularFile::Read, not the end of the file: the
    // line it cut short would be delivered as a whole one, and a number in it silently shortened.
    m_size = m_file.Read(m_buffer.get(), kBlockSize);
    m_ended = m_size == 0;
    return !m_ended;
}

std::string_view TextFile::Buffered() {
    if (m_next == m_size && !FillBuffer()) {
        return {};
    }
    return {m_buffer.get() + m_next, m_size - m_next};
}

} // namespace tetrode
