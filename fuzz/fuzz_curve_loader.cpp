// SPDX-License-Identifier: MIT
// The curve file loader on arbitrary file contents (up to 1.1 MB, past the longest line a file may
// hold). A load either ends in one of the loader's fault kinds or gives a table whose counts, axes
// and matrices agree and hold only finite values; such a table written out again loads back
// identical. Out of memory is one of the kinds: a small file can describe a table larger than the
// machine, which is refused before it is taken. tools/fuzz.sh bounds each input's time and the
// process's memory, so that work or memory out of proportion to the file is a finding too.
#include "curves/curve_file_writer.h"
#include "curves/curve_loader.h"
#include "fuzz/fuzz_contract.h"
#include "platform/field_number.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using tetrode::CurrentMatrix;
using tetrode::CurveTable;
using tetrode::FaultKind;
using tetrode::fuzz::Violation;

// One in-memory file for the whole run, rewritten for every input: the loader opens it by path
// like any curve file, and nothing touches the disk.
class MemoryFile {
  public:
    MemoryFile() : m_fd(memfd_create("curves", 0)) {
        if (m_fd < 0) {
            Violation("fuzz_curve_loader", "cannot create the in-memory file");
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }

    void Fill(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(m_fd, 0) != 0 ||
            (size > 0 && pwrite(m_fd, data, size, 0) != static_cast<ssize_t>(size))) {
            Violation("fuzz_curve_loader", "cannot write the in-memory file");
        }
    }

    void Fill(const std::string& text) {
        Fill(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }

    const std::string& path() const { return m_path; }
    // The file's name is the last component of its path: the descriptor number.
    std::string fileName() const { return std::to_string(m_fd); }

  private:
    int m_fd;
    std::string m_path;
};

void CheckMatrix(const CurrentMatrix& matrix, const CurveTable& table, const char* name) {
    if (matrix.points() != table.NumAnodePoints() || matrix.curves() != table.NumGridCurves()) {
        Violation("LoadCurveFile", std::string(name) + " does not have the table's shape");
    }
    for (int curve = 0; curve < matrix.curves(); ++curve) {
        for (const float value : matrix.curve(curve)) {
            tetrode::fuzz::ExpectFinite(value, name);
        }
    }
}

void CheckLoaded(const tetrode::LoadedCurveFile& loaded, const MemoryFile& file) {
    const CurveTable& table = loaded.table;
    if (table.NumAnodePoints() < 1 || table.NumGridCurves() < 1) {
        Violation("LoadCurveFile", "a table without anode points or curves");
    }
    for (const float value : table.AnodeVoltages()) {
        tetrode::fuzz::ExpectFinite(value, "an anode voltage");
    }
    for (const float value : table.GridVoltages()) {
        tetrode::fuzz::ExpectFinite(value, "a grid voltage");
    }
    CheckMatrix(table.AnodeCurrents(), table, "AnodeCurrents");
    CheckMatrix(table.ScreenCurrents(), table, "ScreenCurrents");
    CheckMatrix(table.GridCurrents(), table, "GridCurrents");

    // The header text is shown as the screen voltage, so it must be the number loaded.
    const tetrode::FieldNumber header = tetrode::SingleFromField(loaded.screenVoltageText);
    if (header.status != tetrode::FieldNumberStatus::Converted ||
        header.value != table.DataSheetScreenV()) {
        Violation("LoadCurveFile", "the screen-voltage text is not DataSheetScreenV");
    }
    if (loaded.fileName != file.fileName()) {
        Violation("LoadCurveFile", "file name \"" + loaded.fileName + "\"");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    file.Fill(data, size);

    tetrode::LoadedCurveFile loaded;
    const bool completed = tetrode::fuzz::RunWithin(
        {FaultKind::TypeMismatch, FaultKind::SubscriptOutOfRange, FaultKind::Overflow,
         FaultKind::InvalidArgument, FaultKind::OutOfMemory},
        "LoadCurveFile", [&] { loaded = tetrode::LoadCurveFile(file.path()); });
    if (!completed) {
        return 0;
    }
    CheckLoaded(loaded, file);

    // Written out and loaded again, the curves come back exactly.
    std::ostringstream written;
    tetrode::WriteCurveFile(written, loaded.table, "written back");
    file.Fill(written.str());
    tetrode::LoadedCurveFile again;
    tetrode::fuzz::RunWithin({}, "LoadCurveFile of a written table",
                             [&] { again = tetrode::LoadCurveFile(file.path()); });
    if (!(again.table == loaded.table)) {
        Violation("WriteCurveFile", "the written table does not load back identical");
    }
    return 0;
}
