// SPDX-License-Identifier: MIT
// The layouts Engauge Digitizer and WebPlotDigitizer export, as their writers produce them, read
// into series: each case's whole result written out as text and compared exactly.
#include "import/digitizer_export.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <sstream>
#include <string>

namespace tetrode {
namespace {

std::string Shortest(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// One line per series: its family, current and name, where the name stands, then its points in
// the file's order with their lines; then one line per note with its place.
std::string Summary(const DigitizerExport& read) {
    std::ostringstream text;
    for (const TracedSeries& series : read.series) {
        text << CurrentFamilyName(series.family) << ' ' << Shortest(series.current) << " \""
             << series.name << "\" " << series.place.line << ':' << series.place.column << " |";
        for (const TracedPoint& point : series.points) {
            text << ' ' << Shortest(point.anodeVoltage) << ',' << Shortest(point.gridVoltage) << '@'
                 << point.line;
        }
        text << '\n';
    }
    for (const ImportNote& note : read.notes) {
        text << "note " << note.place.line << '\n';
    }
    return text.str();
}

TEST(DigitizerExport, ReadsEveryRecommendedLayout) {
    const struct {
        const char* name;
        std::string bytes;
        std::string expected;
        const char* fileName = "chart.csv";
        std::optional<CurrentFamily> family = std::nullopt;
    } cases[] = {
        {"Engauge functions, raw: empty fields are no points",
         "x,Ia 2A,Ia 1A\n500,-20,\n520,,-40\n1000,-35,\n1200,,-60\n1480,,-66\n1500,-50,\n",
         "anode current 2 \"Ia 2A\" 1:2 | 500,-20@2 1000,-35@4 1500,-50@7\n"
         "anode current 1 \"Ia 1A\" 1:3 | 520,-40@3 1200,-60@5 1480,-66@6\n"},
        {"Engauge functions, interpolated: a note on the header",
         "x,Ia 2A,Ia 1A\n500,-20,-39.41\n520,-20.6,-40\n1000,-35,-54.12\n",
         "anode current 2 \"Ia 2A\" 1:2 | 500,-20@2 520,-20.6@3 1000,-35@4\n"
         "anode current 1 \"Ia 1A\" 1:3 | 500,-39.41@2 520,-40@3 1000,-54.12@4\n"
         "note 1\n"},
        {"German Engauge with commas: decimal commas only in quotes",
         "x,Ia 2A,Ia 1A\n500,\"-20,5\",\n\"520,5\",,-40\n1000,-35,\n1200,,\"-60,25\"\n",
         "anode current 2 \"Ia 2A\" 1:2 | 500,-20.5@2 1000,-35@4\n"
         "anode current 1 \"Ia 1A\" 1:3 | 520.5,-40@3 1200,-60.25@5\n"},
        {"Engauge with spaces: an empty field between two spaces; U+2212, also in an exponent",
         "x 2A 1A\n500 -20 \n520  -40\n1000 \xE2\x88\x92"
         "3,5e\xE2\x88\x92"
         "1 \n1200  -60\n",
         "anode current 2 \"2A\" 1:2 | 500,-20@2 1000,-0.35@4\n"
         "anode current 1 \"1A\" 1:3 | 520,-40@3 1200,-60@5\n"},
        {"WebPlotDigitizer all data: names that are numbers, pairs of unequal length",
         "2,,1,\nX,Y,X,Y\n500.3184713375796,-20.12345679012346,520.0636942675159,-40."
         "0990099009901\n"
         "1000.6369426751592,-35.03086419753087,1200.3821656050955,-59.90099009900991\n"
         "1500.9554140127389,-49.93827160493827,,\n",
         "anode current 2 \"2\" 1:1 | 500.31848,-20.123457@3 1000.63696,-35.030865@4 "
         "1500.9554,-49.93827@5\n"
         "anode current 1 \"1\" 1:3 | 520.0637,-40.09901@3 1200.3822,-59.90099@4\n"},
        {"WebPlotDigitizer one dataset, named after its file: extra columns noted",
         "500,-20, 3\n1500.5, -49.9, 1e-7\n",
         "screen current 0.5 \"Is 0_5A\" 0:0 | "
         "500,-20@1 1500.5,-49.9@2\nnote 1\n",
         "Is 0_5A.csv"},
        {"WebPlotDigitizer one dataset in a German browser: '; ' and decimal commas",
         "500,25; -20,5\n1500; -49,75\n",
         "anode current 0.5 \"500mA\" 0:0 | "
         "500.25,-20.5@1 1500,-49.75@2\n",
         "500mA.txt"},
        {"Every prefix and unit",
         "x,2,2A,Ia 3 A,500mA,plate current=1.5a,Is 100mA,Ig2 0.2A,screen: 5 MA,Ig1 5mA,"
         "grid_10mA,Ig2A,IG 0.5 a\n1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1\n"
         "2,-2,-2,-2,-2,-2,-2,-2,-2,-2,-2,-2,-2\n",
         "anode current 2 \"2\" 1:2 | 1,-1@2 2,-2@3\n"
         "anode current 2 \"2A\" 1:3 | 1,-1@2 2,-2@3\n"
         "anode current 3 \"Ia 3 A\" 1:4 | 1,-1@2 2,-2@3\n"
         "anode current 0.5 \"500mA\" 1:5 | 1,-1@2 2,-2@3\n"
         "anode current 1.5 \"plate current=1.5a\" 1:6 | 1,-1@2 2,-2@3\n"
         "screen current 0.1 \"Is 100mA\" 1:7 | 1,-1@2 2,-2@3\n"
         "screen current 0.2 \"Ig2 0.2A\" 1:8 | 1,-1@2 2,-2@3\n"
         "screen current 0.005 \"screen: 5 MA\" 1:9 | 1,-1@2 2,-2@3\n"
         "grid current 0.005 \"Ig1 5mA\" 1:10 | 1,-1@2 2,-2@3\n"
         "grid current 0.01 \"grid_10mA\" 1:11 | 1,-1@2 2,-2@3\n"
         "grid current 2 \"Ig2A\" 1:12 | 1,-1@2 2,-2@3\n"
         "grid current 0.5 \"IG 0.5 a\" 1:13 | 1,-1@2 2,-2@3\n"},
        {"A file given as one family: names without prefix, or with its own",
         "x,100mA,Ig2 200mA\n1,-1,-2\n2,-2,-3\n",
         "screen current 0.1 \"100mA\" 1:2 | 1,-1@2 2,-2@3\n"
         "screen current 0.2 \"Ig2 200mA\" 1:3 | 1,-2@2 2,-3@3\n",
         "chart.csv", CurrentFamily::Screen},
        {"Windows-1252, a lone CR, a trailing separator, exponents, underflow to 0",
         "x\xB5,2A,\r1e3,-1E1,\n+2000,1e-999,\n",
         "anode current 2 \"2A\" 1:2 | 1000,-10@2 2000,0@3\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Summary(ReadDigitizerExport(c.bytes, c.fileName, c.family)), c.expected);
    }
}

} // namespace
} // namespace tetrode
