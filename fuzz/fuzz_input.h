// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace tetrode::fuzz {

// Takes typed values off the front of a fuzzer's input. Once the bytes run out every value is 0 or
// empty, so each target sees a complete argument set for any input length.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_bytes(data, size) {}

    std::uint8_t Byte() {
        if (m_bytes.empty()) {
            return 0;
        }
        const std::uint8_t byte = m_bytes.front();
        m_bytes = m_bytes.subspan(1);
        return byte;
    }

    template <typename T> T Raw() {
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t taken = std::min(sizeof(T), m_bytes.size());
        std::memcpy(bytes, m_bytes.data(), taken);
        m_bytes = m_bytes.subspan(taken);
        return std::bit_cast<T>(bytes);
    }

    // A finite single: mostly small decimal-looking values (the voltages and currents of a tube),
    // sometimes any bit pattern, so both ordinary tables and the edges of the range are reached.
    float Single() {
        const std::uint8_t tag = Byte();
        if (tag % 4 == 0) {
            const float value = Raw<float>();
            return std::isfinite(value) ? value : 0.0F;
        }
        static constexpr float scales[] = {1.0F, 0.01F, 0.0001F};
        return static_cast<float>(Raw<std::int16_t>()) * scales[tag % 4 - 1];
    }

    // A text of at most `maxLength` bytes, its length taken from the input.
    std::string Text(std::size_t maxLength) {
        const std::size_t length = std::min<std::size_t>(Byte() % (maxLength + 1), m_bytes.size());
        std::string text(reinterpret_cast<const char*>(m_bytes.data()), length);
        m_bytes = m_bytes.subspan(length);
        return text;
    }

    // Everything not yet taken.
    std::string_view Rest() {
        const std::string_view rest(reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size());
        m_bytes = {};
        return rest;
    }

  private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace tetrode::fuzz
