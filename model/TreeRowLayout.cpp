#include "model/TreeRowLayout.h"

namespace tarvolo {

ConnectorStyle ConnectorStyleFor(int cell, int rowHeight) {
    if (cell == 16) return ConnectorStyle::pictures16;
    if (cell == 32 && rowHeight == 32) return ConnectorStyle::pictures32;
    return ConnectorStyle::rectangles;
}

TreeRowLayout LayoutTreeRow(std::string_view code, int left, int indent, int cell) {
    TreeRowLayout layout;
    int x = left + indent;
    for (size_t k = 0; k + 1 < code.size(); ++k) {
        if (code[k] == '1') layout.connectors.push_back({Connector::line, x});
        x += cell;
    }
    if (!code.empty()) {
        if (code.back() == '2') layout.connectors.push_back({Connector::tee, x});
        if (code.back() == '3') layout.connectors.push_back({Connector::elbow, x});
    }
    layout.labelX = x + cell;
    return layout;
}

std::vector<LineRect> ConnectorLines(Connector connector, int x, int top, int bottom, int cell,
                                     int thickness) {
    const bool down = connector != Connector::elbow;
    const bool right = connector != Connector::line;
    const int lx = x + cell / 2, ly = top + (bottom - top) / 2;
    std::vector<LineRect> lines{{lx, top, lx + thickness, down ? bottom : ly + thickness}};
    if (right) lines.push_back({lx, ly, x + cell, ly + thickness});
    return lines;
}

}  // namespace tarvolo
