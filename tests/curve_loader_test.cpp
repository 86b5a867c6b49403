// SPDX-License-Identifier: MIT
#include "curves/curve_loader.h"

#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace tetrode {
namespace {

using ::testing::HasSubstr;
using namespace testing; // the shared test helpers: MakeTable, Rows, SizedCurveFile, TempFolder

// The classic example of the curve file's layout: 4 anode points, 3 curves.
// clang-format off
const std::vector<std::string> kWorked = {
    "250,curves taken at this screen voltage", "Ea,0,200,400,600",                 // lines 1-2
    "10,0.35,0.42,0.46,0.48", "0,0.20,0.26,0.29,0.31", "-10,0.05,0.10,0.13,0.15", // lines 3-5
    "Screen,0,200,400,600",                                                       // line 6
    "10,0.06,0.04,0.03,0.02", "0,0.03,0.02,0.01,0.01", "-10,0.01,0,0,0",          // lines 7-9
    "Control grid current",                                                       // line 10
    "10,0.02,0.01,0.01,0", "0,0,0,0,0", "-10,0,0,0,0",                            // lines 11-13
};
// clang-format on

// Every line ended by `lineEnd`, the last one included.
std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd = "\n") {
    std::string text;
    for (const std::string& line : lines) {
        text += line + lineEnd;
    }
    return text;
}

// The worked example as a file, with one or two lines (counted from 1) replaced.
std::string With(int line, const std::string& text, int line2 = 0, const std::string& text2 = "") {
    std::vector<std::string> lines = kWorked;
    lines[line - 1] = text;
    if (line2 > 0) {
        lines[line2 - 1] = text2;
    }
    return Joined(lines);
}

// The worked example's first `count` lines as a file.
std::string First(int count) {
    return Joined({kWorked.begin(), kWorked.begin() + count});
}

// Every value of the worked example as a load hands it back (start-value scale factors);
// `anode` in place of its anode currents.
CurveTable Worked(const Rows& anode = {{0.35F, 0.42F, 0.46F, 0.48F},
                                       {0.20F, 0.26F, 0.29F, 0.31F},
                                       {0.05F, 0.10F, 0.13F, 0.15F}}) {
    return MakeTable({0, 200, 400, 600}, {10, 0, -10}, anode,
                     {{0.06F, 0.04F, 0.03F, 0.02F}, {0.03F, 0.02F, 0.01F, 0.01F}, {0.01F, 0, 0, 0}},
                     {{0.02F, 0.01F, 0.01F, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 250);
}

// The worked example's first `count` lines, then `rows` curve rows of grid voltage only.
std::string RowsOnly(int count, int rows) {
    std::string text = First(count);
    for (int i = 0; i < rows; ++i) {
        text += "1\n";
    }
    return text;
}

// A header, `points` anode voltages and `rows` full anode-current rows.
std::string FullRows(int points, int rows) {
    std::string text = "250\nEa", row;
    for (int j = 0; j < points; ++j) {
        text.append(",").append(std::to_string(j));
        row += ",0.5";
    }
    text += '\n';
    for (int i = 0; i < rows; ++i) {
        text.append("1").append(row).append("\n");
    }
    return text;
}

// Enough memory for any table a test writes, whatever the machine has: a fault's kind must not
// depend on where the test runs.
constexpr std::uint64_t kAmpleMemory = std::uint64_t{64} << 30;

// Each fault is placed at the file ("bad.csv"), its line and its column (0 for the whole line),
// and its cause holds the text given.
TEST(LoadCurveFile, FaultsNameTheirKindAndPlace) {
    constexpr FaultKind kType = FaultKind::TypeMismatch, kIndex = FaultKind::SubscriptOutOfRange;
    constexpr FaultKind kArgument = FaultKind::InvalidArgument, kOverflow = FaultKind::Overflow;
    const std::string nul(1, '\0'), bom = "\xEF\xBB\xBF", commas(1'000'000, ',');
    // clang-format off
    const struct {
        const char* name; std::string file; FaultKind kind; int line, column; std::string cause;
    } cases[] = {
        {"header not a number", With(1, "abc,x"), kType, 1, 1,
         "\"abc\" is not a number; line 1 must begin with the screen voltage"},
        {"quoted header alone keeps its quotes", With(1, "\"250\""), kType, 1, 1, ""},
        {"empty file", "", kType, 1, 0, "empty"},
        {"header line only", First(1), kIndex, 2, 0, "ends before the anode-voltage line"},
        {"anode line with its label only", With(2, "Ea"), kIndex, 2, 0, "only its label"},
        {"empty anode voltage", With(2, "Ea,0,,400,600"), kType, 2, 3, "the field is empty"},
        {"anode line's trailing comma", With(2, "Ea,0,200,400,600,"), kType, 2, 6, ""},
        {"32768 anode points", SizedCurveFile(32768, 2), kOverflow, 2, 0, "more than 32767"},
        // Splitting stops at the 32769th field, whatever the line is.
        {"anode line of a million commas", With(2, "Ea" + commas), kOverflow, 2, 0, "32767"},
        {"curve row of a million commas", With(4, "0" + commas), kOverflow, 4, 0, "32768 fields"},
        {"marker line of a million commas", With(6, "Screen" + commas), kOverflow, 6, 0, ""},
        {"a line longer than 1 MiB", With(4, "0," + std::string(1 << 20, '5')), kOverflow, 4, 0,
         "longer than 1048576 bytes"},
        {"anode current not a number", With(4, "0,abc,1"), kType, 4, 2, "\"abc\""},
        {"NUL in a number", With(4, "0,0.2" + nul + "6"), kType, 4, 2, "\"0.2\\x006\" holds a NUL"},
        {"a NUL alone among the curve rows", With(4, nul), kType, 4, 1, "holds a NUL"},
        {"a byte-order mark after the start", With(3, bom + "10,0.35"), kType, 3, 1, ""},
        {"a second byte-order mark", bom + With(1, bom + "250"), kType, 1, 1, "not a number"},
        {"bad value before an unclosed quote", With(4, "0,x,\"1,1"), kArgument, 4, 3, ""},
        {"blank line among the curve rows", With(4, ""), kType, 4, 1, ""},
        {"marker in capitals", With(6, "SCREEN,0,200"), kType, 6, 1, ""},
        {"marker with a blank", With(6, " Screen,0,200"), kType, 6, 1, ""},
        {"file ends before the marker", First(5), kType, 6, 0, "before the \"Screen\" line"},
        {"file ends after 32767 curve rows", RowsOnly(2, 32767), kType, 32770, 0, "ends before"},
        {"more values than voltages", With(3, "10,1,2,3,4,5"), kIndex, 3, 0,
         "the anode-current row has 5 values; the anode-voltage line has 4"},
        {"trailing comma on a full curve row", With(3, "10,1,2,3,4,"), kIndex, 3, 0, ""},
        {"32768 curves", SizedCurveFile(1, 32768), kOverflow, 32770, 0, ""},
        {"marker right after the anode line", First(2) + "Screen\nx\ny\n", kIndex, 3, 0, ""},
        {"short screen-current row", With(8, "0,1,1,1"), kIndex, 8, 0,
         "screen-current row 2 has 3 values; the anode-voltage line has 4"},
        {"blank screen-current row", With(8, ""), kIndex, 8, 0, "screen-current row 2 has no"},
        {"screen current not a number", With(8, "0,1,x,1,1"), kType, 8, 3, ""},
        {"bad value before a short row ends", With(8, "0,x,1"), kType, 8, 2, ""},
        {"file ends in the screen block", First(7), kIndex, 8, 0, "screen-current row 2"},
        // A few hundred kilobytes whose one-field curve rows pad to four gigabytes: the load
        // fails on the screen block without first building the padded anode matrix.
        {"rows padding to 4 GB", SizedCurveFile(32767, 32767, false), kIndex, 32771, 0, ""},
        {"ends before the separator", First(9), kIndex, 10, 0, "before the line that separates"},
        {"ends after the separator", First(10), kIndex, 11, 0, "control-grid-current row 1"},
        {"grid current beyond singles", With(11, "10,1e39,0,0,0"), kOverflow, 11, 2, "too large"},
        {"short grid row", With(12, "0,0,0"), kIndex, 12, 0, "control-grid-current row 2"},
        {"short unended last row", First(12) + "-10,0,0", kIndex, 13, 0, "grid-current"},
        {"unclosed quote before a comma", With(4, "0,\"1,1"), kArgument, 4, 2, "never closed"},
    };
    // clang-format on
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Fault fault =
            FaultOf([&] { LoadCurveFile(folder.Write("bad.csv", c.file), {}, kAmpleMemory); });
        EXPECT_EQ(fault.kind(), c.kind) << fault.what();
        EXPECT_EQ(fault.place(), FaultPlace(FilePlace{"bad.csv", c.line, c.column}));
        EXPECT_THAT(fault.what(), HasSubstr(c.cause));
    }
}

// What is no regular file is refused before a byte is read, a file that changes while it is read
// is refused at the end, and a table larger than the memory there is refused before it is taken:
// each at once, whatever the file's size (none of these reads more than a block or two).
TEST(LoadCurveFile, RefusesFilesOfOtherKindsFilesThatChangeAndTablesBeyondMemory) {
    const TempFolder folder;
    const std::string worked = folder.Write("worked.csv", Joined(kWorked));
    // A socket and a FIFO that nobody writes to: opening it for reading would block.
    const std::string pipe = folder.path() + "/pipe.csv", socketPath = folder.path() + "/sock.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // 8 GB of which the first lines are written: the hole reads as NUL bytes without a line end.
    const std::string sparse = folder.Write("sparse.csv", First(5));
    std::filesystem::resize_file(sparse, std::uint64_t{8} << 30);

    using Change = std::function<void(const std::string&)>;
    const Change none;
    const Change append = [](const std::string& path) {
        std::ofstream(path, std::ios::app) << "\n";
    };
    const Change rewrite = [](const std::string& path) {
        std::ofstream(path, std::ios::binary) << Joined(kWorked); // the same size, later
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                                   std::chrono::seconds(2));
    };
    const Change replace = [&folder](const std::string& path) {
        std::filesystem::rename(folder.Write("new.csv", Joined(kWorked)), path);
    };
    const Change remove = [](const std::string& path) { std::filesystem::remove(path); };
    const auto at = [](const std::string& path, int line = 0) { return FilePlace{path, line, 0}; };
    using enum FaultKind;
    // clang-format off
    const struct {
        const char* name; std::string path; FilePlace place; FaultKind kind; std::string cause;
        Change change = {}; std::uint64_t memory = kAmpleMemory;
    } cases[] = {
        {"missing", folder.path() + "/missing.csv", at(folder.path() + "/missing.csv"), FileOpen,
         "No such file"},
        {"no name", "", at(""), FileOpen, "no file name"},
        {"a folder", folder.path(), at(folder.path()), FileOpen, "a folder"},
        {"a FIFO", pipe, at(pipe), FileOpen, "named pipe (FIFO)"},
        {"a socket", socketPath, at(socketPath), FileOpen, "a socket"},
        {"a device that never ends", "/dev/zero", at("/dev/zero"), FileOpen, "a device"},
        // Opens, but every read fails (I/O error): not to be taken for an empty file.
        {"unreadable", "/proc/self/mem", at("/proc/self/mem"), FileOpen, "cannot be read"},
        {"an 8 GB sparse file", sparse, at("sparse.csv", 6), Overflow, "longer than"},
        {"appended to", worked, at(worked), FileOpen, "changed while it was read", append},
        {"rewritten to the same size", worked, at(worked), FileOpen, "changed", rewrite},
        {"replaced by another file", worked, at(worked), FileOpen, "changed", replace},
        {"removed", worked, at(worked), FileOpen, "changed", remove},
        // 3 x 32767 x 1000 singles: 393 MB for a file of a few hundred kilobytes.
        {"a table beyond the memory", folder.Write("wide.csv", SizedCurveFile(32767, 1000, false)),
         at("wide.csv", 1003), OutOfMemory, "393.2 MB", none, 100'000'000},
        // The rows take memory as they come, in blocks that double: 17 rows of 10000 values
        // outgrow 1 MB.
        {"rows beyond the memory", folder.Write("rows.csv", FullRows(10000, 20)),
         at("rows.csv", 19), OutOfMemory, "need 1.3 MB more", none, 1'000'000},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool changed = false;
        const ProgressCallback change = [&](std::uint64_t, std::uint64_t) {
            if (c.change && !changed) {
                changed = true;
                c.change(c.path);
            }
        };
        const Fault fault = FaultOf([&] { LoadCurveFile(c.path, change, c.memory); });
        EXPECT_EQ(fault.kind(), c.kind) << fault.what();
        EXPECT_EQ(fault.place(), FaultPlace(c.place));
        EXPECT_THAT(fault.what(), HasSubstr(c.cause));
        if (c.change) {
            std::ofstream(worked, std::ios::binary) << Joined(kWorked);
        }
    }
    ::close(socketFd);
}

// Progress is reported by elapsed time, also in the middle of one long line, and a callback that
// throws WorkCancelled stops the load there. Each call waits out the interval, so every look at the
// clock reports.
TEST(LoadCurveFile, ReportsAndCancelsInsideOneLongLine) {
    const TempFolder folder;
    const std::string text = SizedCurveFile(32767, 1);
    const std::uint64_t lineStart = text.find('\n') + 1, lineEnd = text.find('\n', lineStart);
    std::vector<std::uint64_t> reported;
    const ProgressCallback progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, text.size());
        reported.push_back(done);
        std::this_thread::sleep_for(std::chrono::milliseconds(11));
        if (reported.size() == 4) {
            throw WorkCancelled();
        }
    };
    EXPECT_THROW(LoadCurveFile(folder.Write("long.csv", text), progress), WorkCancelled);
    ASSERT_EQ(reported.size(), 4U);
    EXPECT_GT(reported[3], reported[2]);
    EXPECT_GT(reported[2], lineStart);
    EXPECT_LT(reported[3], lineEnd);
}

// Every file loads as the worked example; the file's name is the last component of its path.
TEST(LoadCurveFile, LoadsTheWorkedExampleAndTheFormatsLatitudes) {
    const CurveTable worked = Worked();
    const std::string plain = Joined(kWorked), crlf = Joined(kWorked, "\r\n");
    const std::string nul(1, '\0');
    // clang-format off
    const struct {
        const char* name; std::string file; CurveTable table; std::string text = "250";
        const char* path = "a.csv"; const char* fileName = "a.csv";
    } cases[] = {
        {"worked example", plain, worked},
        {"worked example, CR LF ends", crlf, worked},
        {"\"\\\" separates components as \"/\" does", plain, worked, "250", "C:\\t\\tube.csv", "tube.csv"},
        {"extra screen and grid fields are ignored",
         With(7, "10,0.06,0.04,0.03,0.02,abc", 11, "10,0.02,0.01,0.01,0,9,x"), worked},
        {"trailing comma after N screen values", With(9, "-10,0.01,0,0,0,"), worked},
        {"field 0 of a screen row is not compared", With(7, "x,0.06,0.04,0.03,0.02"), worked},
        {"marker alone", With(6, "Screen"), worked},
        {"quoted lower-case marker", With(6, "\"screen\",0,200,400,600"), worked},
        {"blank separator", With(10, ""), worked},
        {"separator with commas and quotes", With(10, "\"unclosed,\"x\",,"), worked},
        {"lines after the last grid row are never read", plain + "\"a,\n,,\nb\n", worked},
        {"last line without a line end", First(12) + "-10,0,0,0,0", worked},
        {"lone CR line ends keep the minus of -10", Joined(kWorked, "\r"), worked},
        {"a byte-order mark at the start", "\xEF\xBB\xBF" + crlf, worked},
        {"NUL in text that is not read as a number",
         With(1, "250," + nul, 2, "E" + nul + ",0,200,400,600") + nul, worked},
        {"NUL in the separator and after the marker", With(6, "Screen," + nul, 10, nul), worked},
        {"blanks around numbers", With(3, "10 , 0.35,\t0.42 ,0.46,0.48"), worked},
        {"header with a blank keeps it in the text", With(1, " 250,x"), worked, " 250"},
        {"quoted header loses its quotes", With(1, "\"250\",x"), worked},
        {"header of one field", With(1, "2.5E2"), worked, "2.5E2"},
        {"short curve rows, one of the grid voltage only, are padded with 0",
         With(3, "10,0.35", 4, "0"),
         Worked({{0.35F, 0, 0, 0}, {0, 0, 0, 0}, {0.05F, 0.10F, 0.13F, 0.15F}})},
        {"one anode point, one curve", Joined({"0", "Ea,5", "-1,.5", "Screen", "x,.25", "", "x,1"}),
         MakeTable({5}, {-1}, {{0.5F}}, {{0.25F}}, {{1}}), "0"},
    };
    // clang-format on
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadedCurveFile loaded = LoadCurveFile(folder.Write(c.path, c.file));
        EXPECT_EQ(loaded.table, c.table);
        EXPECT_EQ(std::tuple(loaded.screenVoltageText, loaded.fileName),
                  std::tuple(c.text, c.fileName));
    }
}

TEST(LoadCurveFile, AxesHold32767Entries) {
    TempFolder folder;
    for (const auto& [points, curves] : {std::pair{32767, 2}, std::pair{1, 32767}}) {
        SCOPED_TRACE(std::to_string(points) + " points, " + std::to_string(curves) + " curves");
        const CurveTable t =
            LoadCurveFile(folder.Write("big.csv", SizedCurveFile(points, curves))).table;
        EXPECT_EQ(std::tuple(t.NumAnodePoints(), t.NumGridCurves(), t.GridCurrents().curves(),
                             t.AnodeVoltages().back(), t.GridVoltages().back()),
                  std::tuple(points, curves, curves, points - 1.0F, 1.0F));
    }
}

} // namespace
} // namespace tetrode
