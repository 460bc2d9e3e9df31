#pragma once

#include <QByteArray>
#include <QVector>

// One data row of the raft table, as written by the user; nothing is checked or clamped here.
struct RaftTableRow {
    // 0 an empty gap, 1 lines, 2 square grid, 3 triangle grid; anything else is not a raft layer.
    int type = 0;
    bool typeValid = true;    // the cell held a whole number (or nothing, which reads as 0)
    float layerHeight = 0.0f; // mm
    float fillDensity = 0.1f; // share of a solid layer
    float angle = 0.0f;       // degrees
};

// The raft table (the RaftConfig setting): lines of cells separated by semicolons, each cell trimmed; the first
// non-blank line names the columns and every further non-blank line is one raft layer, bottom first. Columns are
// found by their names "Type", "LayerHeight", "FillDensity" and "Angle", in any order, others ignored; a
// missing or non-numeric cell reads as the column's default. A table whose header has no "Type" or no
// "LayerHeight" column has no usable row. Never throws; any byte string is a table.
QVector<RaftTableRow> parseRaftTable(const QByteArray &text);

// A raft layer as it is printed: the row validated and clamped.
struct RaftLayerPlan {
    int type = 0;             // 0 gap, 1 ... 3 the line pattern
    float layerHeight = 0.0f; // mm, 0.03 ... 3.0
    float fillDensity = 0.1f; // 0.001 ... 1
    float angle = 0.0f;       // degrees, -360 ... 360
};

// The printed raft from the table's rows: rows of unknown type or with heights outside 0.03 ... 3.0 mm are
// skipped, densities clamped to 0.001 ... 1 (so a density written in percent prints solid). Gap rows below the
// first printed layer are dropped too, since they would only lift the raft into the air; a table without a
// printed layer gives no raft at all.
QVector<RaftLayerPlan> raftLayers(const QVector<RaftTableRow> &rows);

constexpr float raftMinLayerHeight = 0.03f;
constexpr float raftMaxLayerHeight = 3.0f;
