// SPDX-License-Identifier: MIT
#include "curves/global_quorv.h"

#include "platform/fault.h"
#include "platform/text_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tetrode {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// A folder of its own for each test, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("global_quorv_test-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& contents) const {
        const std::filesystem::path path = m_path / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    std::string path() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

struct ReadCase {
    const char* name;
    std::string contents;
    std::vector<std::string> lines; // then the end-of-file text
};

TEST(ReadTextLine, SplitsLinesAtLfCrLfAndLoneCr) {
    const std::string block(64 * 1024, 'x'); // the reader's block size
    const ReadCase cases[] = {
        {"CR LF then LF", "ab\r\nc\n", {"ab", "c"}},
        {"LF at the start gives an empty line", "\nx\n", {"", "x"}},
        {"lone CR ends the line and keeps the next character", "a\rbc\n", {"a", "bc"}},
        {"lone CR before a minus sign", "Ea,0\r-10,1\r", {"Ea,0", "-10,1"}},
        {"last line without line end is delivered", "ab", {"ab"}},
        {"last line ended by CR at the end of the file", "ab\r", {"ab"}},
        {"empty file", "", {}},
        {"empty lines with CR LF", "\r\n\r\n", {"", ""}},
        {"empty lines with lone CR", "\r\r", {"", ""}},
        {"LF then CR is two line ends", "a\n\rb", {"a", "", "b"}},
        {"CR CR LF is an empty line between", "a\r\r\nb\n", {"a", "", "b"}},
        {"blanks and quotes are kept", " \"q\" ,\t\n", {" \"q\" ,\t"}},
        {"CR LF split across two blocks", block.substr(1) + "\r\ny\n", {block.substr(1), "y"}},
        {"lone CR at the end of a block", block.substr(1) + "\r-y", {block.substr(1), "-y"}},
        {"line longer than a block", block + block + "z\n", {block + block + "z"}},
    };
    TempFolder folder;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TextFile file(folder.Write("case.txt", c.contents));
        int yields = 0;
        const YieldToEvents count = [&yields] { ++yields; };
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            lines.push_back(ReadTextLine(file, count));
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(ReadTextLine(file, count), kEndOfFileText);
        EXPECT_EQ(ReadTextLine(file, count), kEndOfFileText) << "the end of the file persists";
        EXPECT_EQ(yields, static_cast<int>(c.lines.size())) << "one yield per line delivered";
    }
}

TEST(TextFile, HandsOutEveryByteOnceAcrossBlocks) {
    TempFolder folder;
    std::string contents;
    for (int i = 0; i < 64 * 1024 + 300; ++i) {
        contents.push_back(static_cast<char>('a' + i % 26));
    }
    contents[7] = '\0'; // bytes are bytes, NUL included
    TextFile file(folder.Write("bytes.bin", contents));
    std::string read;
    char c = 0;
    // Byte by byte, then a block's worth at a time, then byte by byte to the end.
    for (int i = 0; i < 100 && file.ReadChar(c); ++i) {
        read.push_back(c);
    }
    for (std::string_view block = file.Buffered(); read.size() < 64 * 1024 + 100;
         block = file.Buffered()) {
        const std::size_t take = std::min<std::size_t>(block.size(), 1000);
        read.append(block.substr(0, take));
        file.Consume(take);
    }
    while (file.ReadChar(c)) {
        read.push_back(c);
    }
    EXPECT_EQ(read, contents);
    EXPECT_TRUE(file.Buffered().empty());
    EXPECT_FALSE(file.ReadChar(c)) << "the end of the file persists";
}

TEST(TextFile, RefusesWhatCannotBeRead) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"missing file", folder.path() + "/no-such-file.csv"},
        {"folder", folder.path()},
        {"empty path", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            TextFile file(c.path);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::FileOpen);
            EXPECT_THAT(fault.what(), HasSubstr("\"" + c.path + "\""));
        }
    }
}

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> fields;
    int yields;
};

TEST(SplitCsvFields, SplitsAtCommasAndUnquotesFieldsBeforeACommma) {
    const SplitCase cases[] = {
        {"two fields", "a,b", {"a", "b"}, 1},
        {"one field", "a", {"a"}, 1},
        {"empty line", "", {""}, 1},
        {"trailing comma", "a,", {"a", ""}, 1},
        {"leading comma", ",a", {"", "a"}, 1},
        {"quoted field with a blank", "\"a b\",c", {"a b", "c"}, 2},
        {"last field keeps its quotes", "a,\"b\"", {"a", "\"b\""}, 1},
        {"empty quoted field", "\"\",x", {"", "x"}, 2},
        {"text before the quote is lost", "ab\"cd\",e", {"cd", "e"}, 2},
        {"text after the closing quote is lost", "\"ab\"cd,e", {"ab", "e"}, 2},
        {"only a quoted field", "\"abc\"", {"\"abc\""}, 1},
        {"blanks are kept", " 1 , 2 ", {" 1 ", " 2 "}, 1},
        {"quote after the comma belongs to the next field", "a,b\"c\",d", {"a", "c", "d"}, 2},
        {"two quoted fields", "\"Screen\",\"0\",200", {"Screen", "0", "200"}, 3},
        {"comma inside quotes with a later quote", "\"a,b\",\"c\",d", {"a,b", ",", "c", "d"}, 4},
        {"only commas", ",,", {"", "", ""}, 1},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The list is reused from a longer split, as the loader does, and must be replaced whole.
        std::vector<std::string> fields{"old0", "old1", "old2", "old3", "old4", "old5"};
        int yields = 0;
        SplitCsvFields(c.line, fields, [&yields] { ++yields; });
        EXPECT_THAT(fields, ElementsAreArray(c.fields));
        EXPECT_EQ(yields, c.yields) << "one per quoted field and one at the end";

        // The form that gives views of the line splits the same way.
        std::vector<std::string_view> views{"old0", "old1", "old2", "old3", "old4", "old5"};
        yields = 0;
        SplitCsvFields(c.line, views, [&yields] { ++yields; });
        EXPECT_THAT(views, ElementsAreArray(c.fields));
        EXPECT_EQ(yields, c.yields);
    }
}

TEST(SplitCsvFields, UnclosedQuoteBeforeACommaIsAnInvalidArgument) {
    // A comma inside quotes leaves the rest of the line starting inside the quoted text, so the
    // quote that closed it opens the next field, which then has no closing quote.
    const char* const lines[] = {"5\",x", "\"a,b", "x,\"y,z", "1,2,\"3,4", "\"a,b\",c"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        std::vector<std::string> fields;
        try {
            SplitCsvFields(line, fields);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::InvalidArgument);
        }
        std::vector<std::string_view> views;
        EXPECT_THROW(SplitCsvFields(line, views), Fault);
    }
}

TEST(SplitByDelimiter, SplitsAtEveryDelimiter) {
    const SplitCase cases[] = {
        {"Windows path", "C:\\curves\\example.csv", {"C:", "curves", "example.csv"}, 1},
        {"no delimiter", "example.csv", {"example.csv"}, 1},
        {"empty text", "", {""}, 1},
        {"ends with the delimiter", "C:\\curves\\", {"C:", "curves", ""}, 1},
        {"starts with the delimiter", "\\x", {"", "x"}, 1},
        {"doubled delimiter", "a\\\\b", {"a", "", "b"}, 1},
        {"other characters are not delimiters", "/home/user/a.csv", {"/home/user/a.csv"}, 1},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> parts{"old0", "old1", "old2", "old3"};
        int yields = 0;
        SplitByDelimiter(c.line, '\\', parts, [&yields] { ++yields; });
        EXPECT_THAT(parts, ElementsAreArray(c.fields));
        EXPECT_EQ(yields, c.yields);
    }
}

} // namespace
} // namespace tetrode
