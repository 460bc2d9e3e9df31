#include "forms/overlaycommands.h"

namespace {

OverlayButton button(const char *name, QRgb rgb, int icon, bool groupStart = false, int flags = 0)
{
    return OverlayButton{name, QColor(rgb), icon, flags, groupStart};
}

const bool gap = true;
// "New Proj" carries flag 8, which the view uses to draw it apart from the file buttons.
const int newProjectFlag = 8;

} // namespace

const QVector<OverlayGroup> &overlayGroups()
{
    static const QVector<OverlayGroup> groups = {
        {ViewMode::Objects, OverlayEdge::Left,
         {button("New Proj", 0x3C5D9F, 20, false, newProjectFlag), button("Open", 0x61BB00, 19),
          button("Save", 0xBC2300, 18), button("SaveAs", 0xBFAE00, 21), button("Export", 0xCE6F00, 52)}},
        {ViewMode::Objects, OverlayEdge::Top,
         {button("Undo", 0xA82020, 16), button("Redo", 0xBD9F00, 17), button("Add", 0x50A520, 5, gap),
          button("Remove", 0x00BD6F, 6), button("Select", 0x0046BA, 1, gap), button("Move", 0x006FBC, 2),
          button("Rotate", 0x008ABD, 3), button("Scale", 0x008EBD, 4), button("Drop plane", 0x0090B0, 53),
          button("Auto drop", 0x8200BE, 22, gap)}},
        {ViewMode::Objects, OverlayEdge::Right,
         // The objects view's "Support" has no icon of its own in the table: it takes the G-code view's.
         {button("Support", 0xA700BF, 37), button("Slice...", 0xBE0093, 39),
          button("Options", 0xAE843F, 54, gap)}},
        {ViewMode::Support, OverlayEdge::Top, {button("Undo", 0xA82020, 16), button("Redo", 0xBD9F00, 17)}},
        {ViewMode::Support, OverlayEdge::Left, {button("Objects", 0x006FBC, 38)}},
        {ViewMode::Support, OverlayEdge::Right,
         {button("GCode", 0xBE0093, 35), button("Slice...", 0xBE0093, 39), button("Options", 0xAE843F, 54, gap)}},
        {ViewMode::GCode, OverlayEdge::Left, {button("Support", 0xA700BF, 37), button("Objects", 0x006FBC, 38)}},
        {ViewMode::GCode, OverlayEdge::Top, {button("GCode", 0x8200BE, 55), button("Stats", 0x8200BE, 64, gap)}},
        {ViewMode::GCode, OverlayEdge::Right,
         {button("Slice...", 0xBE0093, 23), button("Clear", 0x3C5D9F, 50), button("Load", 0x61BB00, 49),
          button("Save", 0xBC2300, 48), button("Print", 0xBFAE00, 51), button("Options", 0xAE843F, 54, gap)}},
    };
    return groups;
}
