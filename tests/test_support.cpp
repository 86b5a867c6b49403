// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace tetrode::testing {

std::optional<FaultKind> FaultKindOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Fault& fault) {
        return fault.kind();
    }
    return std::nullopt;
}

Fault FaultOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Fault& fault) {
        return fault;
    }
    ADD_FAILURE() << "the action completed without a fault";
    return Fault(FaultKind::InvalidArgument, "no fault");
}

TempFolder::TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string testName = info != nullptr ? info->name() : "no-test";
    m_path = std::filesystem::temp_directory_path() /
             ("tetrode-test-" + std::to_string(::getpid()) + "-" + testName);
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::Write(const std::string& name, const std::string& contents) const {
    const std::filesystem::path file = m_path / name;
    std::ofstream(file, std::ios::binary) << contents;
    return file.string();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string SizedCurveFile(int points, int curves, bool complete) {
    std::string text = "250\nEa", row = "x", rows;
    for (int j = 0; j < points; ++j) {
        text.append(",").append(std::to_string(j));
        row += ",0";
    }
    text += '\n';
    for (int i = curves; i > 0; --i) {
        text.append(std::to_string(i)).append("\n");
        rows += complete ? row + "\n" : "";
    }
    return text + "Screen\n" + rows + (complete ? "Control grid current\n" : "") + rows;
}

CurrentMatrix MatrixFromRows(const Rows& rows) {
    const int points = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    CurrentMatrix matrix(points, static_cast<int>(rows.size()));
    for (int curve = 0; curve < matrix.curves(); ++curve) {
        for (int point = 0; point < matrix.points(); ++point) {
            matrix.at(point, curve) = rows[curve][point];
        }
    }
    return matrix;
}

CurveTable MakeTable(std::vector<float> anodeVoltages, std::vector<float> gridVoltages,
                     const Rows& anode, const Rows& screen, const Rows& grid,
                     float dataSheetScreenV) {
    return CurveTable(dataSheetScreenV, std::move(anodeVoltages), std::move(gridVoltages),
                      MatrixFromRows(anode), MatrixFromRows(screen), MatrixFromRows(grid));
}

} // namespace tetrode::testing
