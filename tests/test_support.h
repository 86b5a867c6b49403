// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"
#include "platform/fault.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TETRODE_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TETRODE_ADDRESS_SANITIZER 1
#endif

// Helpers shared by the test binaries.
namespace tetrode::testing {

// Whether the tests run under AddressSanitizer: it reserves terabytes of address space, and it
// makes long loops many times slower.
#if defined(TETRODE_ADDRESS_SANITIZER)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// The fault kind an action raises, or none when it completes.
std::optional<FaultKind> FaultKindOf(const std::function<void()>& action);

// A folder of its own for the running test, removed with the object.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `contents` byte for byte to a file of that name in the folder; returns its path.
    std::string Write(const std::string& name, const std::string& contents) const;
    std::string path() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

// A file's bytes.
std::string ReadBytes(const std::string& path);

// A curve file of `points` anode points and `curves` curve rows of their grid voltage only (padded
// with 0), all currents 0; a file that is not `complete` ends right after its "Screen" line.
std::string SizedCurveFile(int points, int curves, bool complete = true);

// Everything a front end can read of a session, to compare before and after an action.
template <class Session> auto SessionState(const Session& s) {
    return std::tuple(s.HasCurves(), s.Curves(), s.Path(), s.FileName(), s.ScreenVoltageText(),
                      s.Scale(), s.Limits(), s.LastCalculation());
}

// Currents listed curve by curve (most positive grid voltage first), as a curve file lists them.
using Rows = std::vector<std::vector<float>>;

CurrentMatrix MatrixFromRows(const Rows& rows);

// A table with the given axes and matrices.
CurveTable MakeTable(std::vector<float> anodeVoltages, std::vector<float> gridVoltages,
                     const Rows& anode, const Rows& screen, const Rows& grid,
                     float dataSheetScreenV = 0.0F);

// The fault an action raises; fails the test when it completes or throws anything else.
Fault FaultOf(const std::function<void()>& action);

} // namespace tetrode::testing
