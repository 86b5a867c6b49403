// SPDX-License-Identifier: MIT
#include "import/curve_import.h"

#include "curves/curve_file_writer.h"
#include "import/decimal_text.h"
#include "platform/fault.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tetrode {
namespace {

std::size_t FamilyIndex(CurrentFamily family) {
    return static_cast<std::size_t>(family);
}

// `value` in at most `digits` significant digits with the full stop, as messages and axes show it.
std::string NumberText(double value, int digits) {
    std::array<char, 40> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value + 0.0,
                                            std::chars_format::general, digits);
    (void)error; // 40 characters hold any double in 15 digits
    return std::string(text.data(), end);
}

std::string AmperesText(double amperes) {
    std::string text = NumberText(amperes, 6);
    text += " A";
    return text;
}

void CheckFamilies(const TracedCurves& curves, std::vector<ImportNote>& notes) {
    std::array<std::vector<const TracedSeries*>, kFamilyCount> families;
    for (const TracedSeries& series : curves.series) {
        auto& members = families[FamilyIndex(series.family)];
        for (const TracedSeries* earlier : members) {
            if (earlier->current == series.current) {
                throw Fault(FaultKind::InvalidArgument,
                            "the series " + Quoted(series.name) + " gives the " +
                                std::string(CurrentFamilyName(series.family)) + " of " +
                                AmperesText(series.current) + " a second time, after " +
                                Quoted(earlier->name) + " of " + Quoted(earlier->place.file),
                            series.place);
            }
        }
        members.push_back(&series);
    }
    for (const CurrentFamily family :
         {CurrentFamily::Anode, CurrentFamily::Screen, CurrentFamily::Grid}) {
        const auto& members = families[FamilyIndex(family)];
        const std::string name(CurrentFamilyName(family));
        if (members.empty() && family == CurrentFamily::Anode) {
            throw Fault(FaultKind::InvalidArgument,
                        "no anode-current curve among the traced series; name them by their "
                        "current (\"Ia 2A\", or \"2A\" in a file of anode-current curves)",
                        FilePlace{curves.fileNames.empty() ? std::string() : curves.fileNames[0]});
        }
        if (members.empty()) {
            notes.push_back({FilePlace{}, "no " + name + " curve was traced: the table's " + name +
                                              " is 0 throughout"});
        } else if (members.size() == 1) {
            throw Fault(FaultKind::InvalidArgument,
                        "the series " + Quoted(members[0]->name) + " is the only " + name +
                            " curve; a family needs two traced currents at least, to carry the "
                            "current between and beyond them",
                        members[0]->place);
        }
    }
}

// A note when the axis reaches more than a step beyond the traced points' `coordinate`.
void NoteAxisBeyondPoints(const VoltageAxis& axis, const std::vector<TracedSeries>& series,
                          float TracedPoint::*coordinate, std::string_view axisName,
                          std::vector<ImportNote>& notes) {
    double low = INFINITY, high = -INFINITY;
    for (const TracedSeries& one : series) {
        for (const TracedPoint& point : one.points) {
            low = std::min<double>(low, point.*coordinate);
            high = std::max<double>(high, point.*coordinate);
        }
    }
    const double axisLow = std::min(axis.first, axis.last());
    const double axisHigh = std::max(axis.first, axis.last());
    const double step = std::fabs(axis.step);
    if (axisLow < low - step || axisHigh > high + step) {
        std::string text = "the ";
        text.append(axisName)
            .append(" (")
            .append(NumberText(axisLow, 10))
            .append(" V to ")
            .append(NumberText(axisHigh, 10))
            .append(" V) reaches more than a step beyond the traced points (")
            // As the points were written: a single's digits, not its binary value's.
            .append(NumberText(low, 7))
            .append(" V to ")
            .append(NumberText(high, 7))
            .append(" V); there the currents are continued, not traced");
        notes.push_back({FilePlace{}, std::move(text)});
    }
}

std::string HeaderText(const std::vector<std::string>& fileNames) {
    std::string text = "imported from digitized curves:";
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        text += i == 0 ? " " : ", ";
        // The header is one line of the curve file, and the writer refuses double quotes in it.
        std::string name = EscapeForDisplay(fileNames[i], 60);
        std::ranges::replace(name, '"', '\'');
        text += name;
    }
    return text;
}

// One of FROM, TO, STEP: a decimal with the full stop, blanks around it.
double AxisNumber(std::string_view text, std::string_view input) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string_view trimmed =
        first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
    const Decimal number = ReadDecimal(trimmed, ".");
    if (number.status == DecimalStatus::OutOfRange) {
        throw Fault(FaultKind::Overflow,
                    Quoted(trimmed) + " is a number too large for single precision",
                    InputPlace{std::string(input)});
    }
    if (number.status == DecimalStatus::NotANumber) {
        throw Fault(FaultKind::TypeMismatch,
                    Quoted(trimmed) + " is not a number; an axis is FROM:TO:STEP in volts, such "
                                      "as 0:3000:100 or 20:-70:-2.5",
                    InputPlace{std::string(input)});
    }
    return number.value;
}

// Writes `bytes` to a new file beside `target` and renames it onto `target`.
void ReplaceFile(const std::filesystem::path& target, const std::string& bytes,
                 const std::string& shownPath) {
    const auto fail = [&](const std::string& reason) {
        throw Fault(FaultKind::FileOpen, "cannot be written: " + reason, FilePlace{shownPath});
    };
    if (!target.has_filename()) {
        fail("no file name was given");
    }
    std::error_code ignored;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        std::string name(".");
        name.append(target.filename().string())
            .append(".tmp-")
            .append(std::to_string(::getpid()))
            .append("-")
            .append(std::to_string(attempt));
        temporary = folder / name;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            fail(std::strerror(errno));
        }
    }
    if (fd < 0) {
        fail("no name for a temporary file beside it is free");
    }
    const auto abandon = [&](const std::string& reason) {
        ::close(fd);
        std::filesystem::remove(temporary, ignored);
        fail(reason);
    };
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            abandon(count < 0 ? std::strerror(errno) : "nothing could be written");
        }
        written += static_cast<std::size_t>(count);
    }
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    // On disk before it takes the old file's name, so a crash leaves the old file or the new one.
    if (::fsync(fd) != 0) {
        abandon(std::strerror(errno));
    }
    if (::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        std::filesystem::remove(temporary, ignored);
        fail(reason);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::filesystem::remove(temporary, ignored);
        fail(reason);
    }
}

} // namespace

TracedCurves ReadTracedCurves(const std::vector<DigitizedFile>& files) {
    if (files.empty()) {
        throw Fault(FaultKind::InvalidArgument, "no digitizer export was given to import");
    }
    TracedCurves curves;
    for (const DigitizedFile& file : files) {
        DigitizerExport read = ReadDigitizerExportFile(file.path, file.family);
        curves.fileNames.push_back(std::filesystem::path(file.path).filename().string());
        std::ranges::move(read.series, std::back_inserter(curves.series));
        std::ranges::move(read.notes, std::back_inserter(curves.notes));
    }
    CheckFamilies(curves, curves.notes);
    return curves;
}

ImportedCurves RegridImport(TracedCurves curves, double screenVoltage,
                            const std::optional<VoltageAxis>& anodeAxis,
                            const std::optional<VoltageAxis>& gridAxis) {
    const InputPlace screenPlace{std::string(import_input::ScreenVoltage)};
    if (!(screenVoltage > 0.0)) {
        throw Fault(FaultKind::InvalidArgument,
                    "the screen voltage the curves were taken at must be above 0 V", screenPlace);
    }
    if (screenVoltage > FLT_MAX) {
        throw Fault(FaultKind::Overflow, "the screen voltage is too large for single precision",
                    screenPlace);
    }
    const auto screen = static_cast<float>(screenVoltage);
    ImportedCurves imported;
    imported.proposedAnodeAxis = ProposeAnodeAxis(curves.series);
    imported.proposedGridAxis = ProposeGridAxis(curves.series);
    imported.anodeAxis = anodeAxis.value_or(imported.proposedAnodeAxis);
    imported.gridAxis = gridAxis.value_or(imported.proposedGridAxis);
    imported.table =
        RegridTracedCurves(curves.series, screen, imported.anodeAxis, imported.gridAxis);
    imported.residuals = FitResidualsOf(curves.series, imported.table);
    std::array<char, 32> screenText{};
    imported.screenVoltageText.assign(
        screenText.data(),
        std::to_chars(screenText.data(), screenText.data() + screenText.size(), screen).ptr);
    imported.headerText = HeaderText(curves.fileNames);
    imported.notes = std::move(curves.notes);

    NoteAxisBeyondPoints(imported.anodeAxis, curves.series, &TracedPoint::anodeVoltage,
                         "anode axis", imported.notes);
    NoteAxisBeyondPoints(imported.gridAxis, curves.series, &TracedPoint::gridVoltage, "grid axis",
                         imported.notes);
    imported.series = std::move(curves.series);
    return imported;
}

ImportedCurves ImportDigitizedCurves(const ImportRequest& request) {
    return RegridImport(ReadTracedCurves(request.files), request.screenVoltage, request.anodeAxis,
                        request.gridAxis);
}

void WriteImportedCurves(const ImportedCurves& imported, const std::string& path) {
    std::ostringstream text;
    WriteCurveFile(text, imported.table, imported.headerText);
    std::filesystem::path target(path);
    std::error_code error;
    // A link stays a link: the file it points to is the one replaced.
    if (std::filesystem::is_symlink(target, error)) {
        target = std::filesystem::weakly_canonical(target, error);
        if (error) {
            throw Fault(FaultKind::FileOpen, "cannot be written: " + error.message(),
                        FilePlace{path});
        }
    }
    ReplaceFile(target, text.str(), path);
}

VoltageAxis ReadAxisRange(std::string_view text, bool rising, std::string_view input) {
    const InputPlace place{std::string(input)};
    const std::size_t firstColon = text.find(':');
    const std::size_t secondColon =
        firstColon == std::string_view::npos ? firstColon : text.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos ||
        text.find(':', secondColon + 1) != std::string_view::npos) {
        throw Fault(FaultKind::TypeMismatch,
                    Quoted(text) + " is not an axis; an axis is FROM:TO:STEP in volts, such as "
                                   "0:3000:100 or 20:-70:-2.5",
                    place);
    }
    const double from = AxisNumber(text.substr(0, firstColon), input);
    const double to = AxisNumber(text.substr(firstColon + 1, secondColon - firstColon - 1), input);
    const double step = AxisNumber(text.substr(secondColon + 1), input);
    if (step == 0.0) {
        throw Fault(FaultKind::InvalidArgument, "the step of an axis cannot be 0", place);
    }
    // TO counts when it is reached, also when the steps fall short of it by rounding.
    const double steps = (to - from) / step;
    if (!std::isfinite(steps) || steps + 1e-9 >= CurveTable::kMaxAxisEntries) {
        throw Fault(FaultKind::Overflow,
                    "the axis has more than " + std::to_string(CurveTable::kMaxAxisEntries) +
                        " voltages",
                    place);
    }
    const int count = static_cast<int>(std::floor(steps + 1e-9)) + 1;
    if (count < 2) {
        throw Fault(FaultKind::InvalidArgument,
                    "the axis has fewer than two voltages: the step must lead from FROM to TO",
                    place);
    }
    VoltageAxis axis{from, step, count};
    if ((step > 0.0) != rising) {
        axis = {axis.last(), -step, count};
    }
    return axis;
}

std::string AxisRangeText(const VoltageAxis& axis) {
    std::string text = NumberText(axis.first, 12);
    text += ':';
    text += NumberText(axis.last(), 12);
    text += ':';
    text += NumberText(axis.step, 12);
    return text;
}

std::string ResidualMessage(const ImportedCurves& imported, const PointResidual& residual) {
    const TracedSeries& series = imported.series.at(residual.series);
    const TracedPoint& point = series.points.at(residual.point);
    std::string text = Quoted(series.name);
    text += " at " + NumberText(point.anodeVoltage, 6) + " V, " + NumberText(point.gridVoltage, 6) +
            " V (line " + std::to_string(point.line) + " of " +
            EscapeForDisplay(series.place.file, 60) + "): the table gives " +
            AmperesText(residual.tableCurrent) + " for " + AmperesText(series.current) + ", ";
    std::array<char, 40> percent{};
    const auto end = std::to_chars(percent.data(), percent.data() + percent.size(),
                                   residual.relative * 100.0 + 0.0, std::chars_format::fixed, 1)
                         .ptr;
    text.append(percent.data(), end);
    text += " % of the " + std::string(CurrentFamilyName(series.family)) + "'s full scale";
    return text;
}

TracedChart TracedChartOf(const ImportedCurves& imported) {
    TracedChart chart;
    for (const TracedSeries& series : imported.series) {
        TracedCurve& curve = chart.curves.emplace_back();
        curve.family = series.family;
        curve.current = series.current;
        curve.points.reserve(series.points.size());
        for (const TracedPoint& point : series.points) {
            curve.points.push_back({point.anodeVoltage, point.gridVoltage});
        }
    }
    if (const std::optional<std::size_t> largest = imported.residuals.largest) {
        const PointResidual& residual = imported.residuals.points.at(*largest);
        chart.largestResidualAt = chart.curves.at(residual.series).points.at(residual.point);
        chart.largestResidual = ResidualMessage(imported, residual);
    }
    for (const ImportNote& note : imported.notes) {
        chart.notes.push_back(ImportNoteMessage(note));
    }
    return chart;
}

} // namespace tetrode
