// SPDX-License-Identifier: MIT
// The display patterns and the general single-precision form on arbitrary doubles and singles,
// with the decimal separators of several locales: a text of the promised shape that stands for the
// value, or the overflow fault for a value that is not finite.
#include "fuzz/fuzz_contract.h"
#include "fuzz/fuzz_input.h"
#include "platform/number_text.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using tetrode::FaultKind;

constexpr std::array<std::string_view, 4> kPatterns{"###0.0", "##0.0", "####0.0", "######0"};
// The full stop, the comma, and the Arabic decimal separator (two bytes in UTF-8).
constexpr std::array<std::string_view, 3> kSeparators{".", ",", "\xD9\xAB"};

void CheckDisplay(double value, std::string_view pattern, std::string_view separator) {
    std::string text;
    const bool formatted =
        tetrode::fuzz::RunWithin({FaultKind::Overflow}, "FormatDisplayPattern", [&] {
            text = tetrode::FormatDisplayPattern(value, pattern, separator);
        });
    if (formatted != std::isfinite(value)) {
        tetrode::fuzz::Violation("FormatDisplayPattern",
                                 formatted ? "a value that is not finite was shown"
                                           : "a finite value raised the overflow fault");
    }
    if (formatted) {
        tetrode::fuzz::CheckDisplayPatternText(value, pattern, separator, text);
    }
}

void CheckGeneral(float value, std::string_view separator) {
    std::string text;
    const bool formatted =
        tetrode::fuzz::RunWithin({FaultKind::Overflow}, "FormatGeneralSingle",
                                 [&] { text = tetrode::FormatGeneralSingle(value, separator); });
    if (formatted != std::isfinite(value)) {
        tetrode::fuzz::Violation("FormatGeneralSingle",
                                 formatted ? "a value that is not finite was shown"
                                           : "a finite value raised the overflow fault");
    }
    if (formatted) {
        tetrode::fuzz::CheckGeneralSingleText(value, separator, text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tetrode::fuzz::FuzzInput input(data, size);
    const std::string_view separator = kSeparators[input.Byte() % kSeparators.size()];
    const auto value = input.Raw<double>();
    for (const std::string_view pattern : kPatterns) {
        CheckDisplay(value, pattern, separator);
    }
    // Values near the rounding boundaries, where the half-way rule decides.
    CheckDisplay(std::nearbyint(value * 10.0) / 10.0 + 0.05, kPatterns[0], separator);
    CheckDisplay(std::nearbyint(value) + 0.5, kPatterns[3], separator);

    CheckGeneral(input.Raw<float>(), separator);
    CheckGeneral(static_cast<float>(input.Single()), separator);
    return 0;
}
