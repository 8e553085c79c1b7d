// Where a tree row puts its connectors and its name, and how they are drawn at each scale.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/TreeRowLayout.h"

namespace tarvolo {
namespace {

// "l@x", "t@x", "e@x" per connector, then "name@x".
std::string Describe(const TreeRowLayout& layout) {
    std::string out;
    for (const ConnectorCell& c : layout.connectors) {
        out += c.connector == Connector::line ? "l" : c.connector == Connector::tee ? "t" : "e";
        out += "@" + std::to_string(c.x) + " ";
    }
    return out + "name@" + std::to_string(layout.labelX);
}

TEST(LayoutTreeRow, ConnectorsPerCellAndTheNameAfterTheLast) {
    struct Case {
        const char* code;
        int left, indent, cell;
        const char* expected;
    } cases[] = {
        {"", 0, 8, 16, "name@24"},  // no code: the name still leaves the first cell free
        {"2", 0, 8, 16, "t@8 name@24"},
        {"3", 0, 8, 16, "e@8 name@24"},
        {"12", 0, 8, 16, "l@8 t@24 name@40"},
        {"03", 0, 8, 16, "e@24 name@40"},  // a '0' cell stays empty
        {"1013", 0, 8, 16, "l@8 l@40 e@56 name@72"},
        {"11", 0, 8, 16, "l@8 name@40"},         // only a tee or an elbow ends a row
        {"12", 3, 12, 24, "l@15 t@39 name@63"},  // at 150 %: every length scaled, from the row's own left
        {"0003", 0, 16, 32, "e@112 name@144"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(LayoutTreeRow(c.code, c.left, c.indent, c.cell)), c.expected) << "code " << c.code;
}

TEST(ConnectorStyleFor, PicturesOnlyWhereTheyCopyPixelForPixel) {
    struct Case {
        int cell, rowHeight;
        ConnectorStyle expected;
    } cases[] = {
        {16, 16, ConnectorStyle::pictures16}, {16, 18, ConnectorStyle::pictures16},
        {32, 32, ConnectorStyle::pictures32}, {32, 34, ConnectorStyle::rectangles},
        {20, 20, ConnectorStyle::rectangles}, {24, 24, ConnectorStyle::rectangles},
        {40, 40, ConnectorStyle::rectangles},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConnectorStyleFor(c.cell, c.rowHeight), c.expected) << c.cell << " x " << c.rowHeight;
}

TEST(ConnectorLines, AsThePicturesHoldThem) {
    using Lines = std::vector<LineRect>;
    // A 24-pixel cell at x 10 in a row from 0 to 24, lines 2 pixels wide: the middle column is 22.
    EXPECT_EQ(ConnectorLines(Connector::line, 10, 0, 24, 24, 2), (Lines{{22, 0, 24, 24}}));
    EXPECT_EQ(ConnectorLines(Connector::tee, 10, 0, 24, 24, 2), (Lines{{22, 0, 24, 24}, {22, 12, 34, 14}}));
    EXPECT_EQ(ConnectorLines(Connector::elbow, 10, 0, 24, 24, 2), (Lines{{22, 0, 24, 14}, {22, 12, 34, 14}}));
    // A row lower down, of odd height: the middle row rounds down.
    EXPECT_EQ(ConnectorLines(Connector::tee, 0, 100, 125, 25, 1),
              (Lines{{12, 100, 13, 125}, {12, 112, 25, 113}}));
}

TEST(ConnectorLines, LinesOfOneRowMeetThoseOfTheNext) {
    // A line or a tee reaches the row's bottom, where the next row's line begins;
    // an elbow ends the branch in its own row.
    for (Connector c : {Connector::line, Connector::tee}) {
        const LineRect upper = ConnectorLines(c, 0, 0, 20, 20, 1).front();
        const LineRect lower = ConnectorLines(Connector::line, 0, 20, 40, 20, 1).front();
        EXPECT_EQ(upper.bottom, lower.top);
        EXPECT_EQ(upper.left, lower.left);
    }
    EXPECT_LT(ConnectorLines(Connector::elbow, 0, 0, 20, 20, 1).front().bottom, 20);
}

}  // namespace
}  // namespace tarvolo
