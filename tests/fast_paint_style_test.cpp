// SPDX-License-Identifier: MIT
// The faster style must draw the picture the base style draws.
#include "window/fast_paint_style.h"
#include "window_test_support.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QStyleFactory>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace tetrode {
namespace {

// The largest difference, in levels of one colour channel, between two pixels at the same place;
// 256 when the images differ in size.
int LargestDifference(const QImage& expected, const QImage& actual, QPoint& where) {
    if (expected.size() != actual.size()) {
        return 256;
    }
    int largest = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = expected.pixel(x, y);
            const QRgb b = actual.pixel(x, y);
            const int difference =
                std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                          std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            if (difference > largest) {
                largest = difference;
                where = QPoint(x, y);
            }
        }
    }
    return largest;
}

bool BaseStyleIsFusion() {
    return QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

struct FrameCase {
    const char* name;
    const char* title;
    QSize size;
    int pointSize; // 0: the application's font
    bool checkable;
};

QImage DrawnFrame(QStyle& style, const FrameCase& frame) {
    QGroupBox box(QString::fromUtf8(frame.title));
    box.setStyle(&style);
    box.setCheckable(frame.checkable);
    if (frame.pointSize > 0) {
        QFont font = box.font();
        font.setPointSize(frame.pointSize);
        box.setFont(font);
    }
    box.resize(frame.size);
    return box.grab().toImage();
}

class FastFrameTest : public ::testing::TestWithParam<FrameCase> {};

// Qt's image blends round the far edges of a stretched image a level either way, depending on
// where it lies on the device; so one level apart is the same colour. A frame's middle is 3 levels
// darker than the window, its border 24.
TEST_P(FastFrameTest, DrawsTheBaseStylesFrame) {
    if (!BaseStyleIsFusion()) {
        GTEST_SKIP() << "frames are drawn from a strip for the Fusion style only";
    }
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("fusion")));
    FastPaintStyle fast;
    QPoint where;
    EXPECT_LE(
        LargestDifference(DrawnFrame(*plain, GetParam()), DrawnFrame(fast, GetParam()), where), 1)
        << "at (" << where.x() << ", " << where.y() << ")";
}

// Heights across the bands the frame is laid down in, an untitled frame (a smaller top margin), a
// large font, and widths either side of the narrowest frame drawn from a strip.
INSTANTIATE_TEST_SUITE_P(
    Frames, FastFrameTest,
    ::testing::Values(FrameCase{"Titled", "Point A", QSize(300, 200), 0, false},
                      FrameCase{"Untitled", "", QSize(300, 200), 0, false},
                      FrameCase{"Checkable", "Screen", QSize(260, 150), 0, true},
                      FrameCase{"TallAndNarrow", "G", QSize(40, 700), 0, false},
                      FrameCase{"OneRowPastABand", "Limits", QSize(200, 129), 0, false},
                      FrameCase{"WideAndShort", "Results", QSize(900, 45), 0, false},
                      FrameCase{"LargeFont", "Operating line", QSize(520, 380), 16, false},
                      FrameCase{"NarrowestFromAStrip", "", QSize(18, 120), 0, false},
                      FrameCase{"TooNarrowForAStrip", "", QSize(17, 120), 0, false},
                      FrameCase{"Empty", "", QSize(0, 0), 0, false}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tetrode

int main(int argc, char* argv[]) {
    return tetrode::testing::RunWindowTests(argc, argv);
}
