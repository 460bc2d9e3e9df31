#include "engine/rafttable.h"

#include <QList>

#include <cmath>

namespace
{

struct Columns {
    int type = -1;
    int layerHeight = -1;
    int fillDensity = -1;
    int angle = -1;
};

QList<QByteArray> cellsOf(const QByteArray &line)
{
    QList<QByteArray> cells = line.split(';');
    for (QByteArray &cell : cells)
        cell = cell.trimmed();
    return cells;
}

Columns columnsOf(const QList<QByteArray> &header)
{
    Columns columns;
    for (int i = 0; i < header.size(); ++i) {
        const QByteArray &name = header[i];
        if (name == "Type" && columns.type < 0)
            columns.type = i;
        else if (name == "LayerHeight" && columns.layerHeight < 0)
            columns.layerHeight = i;
        else if (name == "FillDensity" && columns.fillDensity < 0)
            columns.fillDensity = i;
        else if (name == "Angle" && columns.angle < 0)
            columns.angle = i;
    }
    return columns;
}

// "nan" and "inf" read as numbers to the conversion but mean nothing in a raft, so they take the default too.
float numberAt(const QList<QByteArray> &cells, int column, float fallback)
{
    if (column < 0 || column >= cells.size())
        return fallback;
    bool ok = false;
    const float value = cells[column].toFloat(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

void readType(const QList<QByteArray> &cells, int column, RaftTableRow &row)
{
    if (column >= cells.size() || cells[column].isEmpty())
        return;
    bool ok = false;
    row.type = cells[column].toInt(&ok);
    if (!ok) {
        // Text reads as the default; a number that is not whole is no known type.
        bool isNumber = false;
        cells[column].toDouble(&isNumber);
        row.type = 0;
        row.typeValid = !isNumber;
    }
}

} // namespace

QVector<RaftTableRow> parseRaftTable(const QByteArray &text)
{
    QVector<RaftTableRow> rows;
    Columns columns;
    bool headerSeen = false;
    QByteArray normalised = text;
    normalised.replace('\r', '\n');
    for (const QByteArray &rawLine : normalised.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> cells = cellsOf(line);
        if (!headerSeen) {
            columns = columnsOf(cells);
            headerSeen = true;
            // Without a type and a height no row can say what to print or how high.
            if (columns.type < 0 || columns.layerHeight < 0)
                return rows;
            continue;
        }
        RaftTableRow row;
        readType(cells, columns.type, row);
        row.layerHeight = numberAt(cells, columns.layerHeight, 0.0f);
        row.fillDensity = numberAt(cells, columns.fillDensity, 0.1f);
        row.angle = numberAt(cells, columns.angle, 0.0f);
        rows.append(row);
    }
    return rows;
}

QVector<RaftLayerPlan> raftLayers(const QVector<RaftTableRow> &rows)
{
    QVector<RaftLayerPlan> layers;
    bool printedBelow = false;
    for (const RaftTableRow &row : rows) {
        if (!row.typeValid || row.type < 0 || row.type > 3)
            continue;
        if (!(row.layerHeight >= raftMinLayerHeight && row.layerHeight <= raftMaxLayerHeight))
            continue;
        if (row.type == 0 && !printedBelow)
            continue;
        RaftLayerPlan layer;
        layer.type = row.type;
        layer.layerHeight = row.layerHeight;
        layer.fillDensity = std::fmin(std::fmax(row.fillDensity, 0.001f), 1.0f);
        layer.angle = std::fmod(row.angle, 360.0f);
        layers.append(layer);
        printedBelow = printedBelow || row.type > 0;
    }
    return layers;
}
