#pragma once

#include <QRect>

// Where an icon index lies in "icons.png" (512 x 512): cells of 48 x 48 pixels, ten to a row, index 0
// at the top left. An icon is drawn at its cell's size, so the atlas's pixels reach the screen as
// they are. The last cells hold the shapes every button is built from (tinted with its colour).
namespace IconAtlas
{
constexpr int atlasSize = 512;
constexpr int cellSize = 48;
constexpr int columns = 10;
constexpr int cellCount = 100;
// A rounded square that the button's colour tints.
constexpr int plateCell = 96;
// A bar drawn under the button of the current mode.
constexpr int selectionCell = 97;
// A thin rule separating a button from those after it (flag 8).
constexpr int dividerCell = 98;

inline QRect cellRect(int index)
{
    return QRect((index % columns) * cellSize, (index / columns) * cellSize, cellSize, cellSize);
}
} // namespace IconAtlas
