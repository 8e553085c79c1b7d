// Where one row of the directory tree puts its connector lines and its name,
// from the row's tree code: one cell per level, '1' a line going on down in
// every cell but the last, which holds a tee ('2') or an elbow ('3').
#pragma once

#include <string_view>
#include <vector>

namespace tarvolo {

enum class Connector { line, tee, elbow };

// How the connectors are drawn: the 16 x 16 or 32 x 32 pictures copied pixel
// for pixel, or (at any other scale, where a stretched picture would give lines
// of uneven width) the same lines as rectangles of the row's scale.
enum class ConnectorStyle { pictures16, pictures32, rectangles };
ConnectorStyle ConnectorStyleFor(int cell, int rowHeight);

struct ConnectorCell {
    Connector connector;
    int x;  // the cell's left edge
};

struct TreeRowLayout {
    std::vector<ConnectorCell> connectors;  // left to right
    int labelX = 0;                         // where the name's label starts
};

// `left` is the row's left edge, `indent` the space before the first cell.
TreeRowLayout LayoutTreeRow(std::string_view code, int left, int indent, int cell);

struct LineRect {
    int left, top, right, bottom;
    bool operator==(const LineRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The lines of one connector drawn as rectangles, as the pictures hold them: a
// vertical line in the cell's middle column, from the row's top to its bottom
// (or, for an elbow, to its middle), and for a tee or an elbow a horizontal one
// from there to the cell's right edge; `thickness` pixels wide.
std::vector<LineRect> ConnectorLines(Connector connector, int x, int top, int bottom, int cell,
                                     int thickness);

}  // namespace tarvolo
