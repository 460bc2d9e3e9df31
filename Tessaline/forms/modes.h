#pragma once

#include <QString>

#include <initializer_list>

// What the user is doing in the main window. The integers are stored in the settings ("lastEditMode",
// "lastObjEditMode", "lastNonGCodeMode") and must keep their values.
enum class EditMode { Select = 0, Move = 1, Rotate = 2, Scale = 3, DropPlane = 4, Support = 5, GCode = 6 };

// Which side of the work the view shows: the objects, their support bars or the G-code.
enum class ViewMode { Objects = 0, Support = 1, GCode = 2 };

// A stored or typed mode number, clamped to Select .. GCode.
EditMode editModeFromInt(int mode);

// The edit modes that arrange objects (Select .. Drop plane).
bool isObjectMode(EditMode mode);

// The overlay button that stands for the mode ("Select", "Drop plane", "GCode").
QString editModeName(EditMode mode);

// Select .. Drop plane show the objects, Support the bars, GCode the G-code.
ViewMode viewModeOf(EditMode mode);

// A set of edit modes, in which a command applies.
class EditModes
{
public:
    constexpr EditModes() = default;
    constexpr EditModes(std::initializer_list<EditMode> modes)
    {
        for (EditMode mode : modes)
            m_bits |= bit(mode);
    }
    static constexpr EditModes all() { return fromBits(0x7f); }
    static constexpr EditModes objectModes() { return fromBits(0x1f); }
    // The modes in which the project is edited: the objects and the support bars.
    static constexpr EditModes projectModes() { return fromBits(0x3f); }

    constexpr bool contains(EditMode mode) const { return (m_bits & bit(mode)) != 0; }

private:
    static constexpr unsigned bit(EditMode mode) { return 1u << unsigned(mode); }
    static constexpr EditModes fromBits(unsigned bits)
    {
        EditModes modes;
        modes.m_bits = bits;
        return modes;
    }
    unsigned m_bits = 0;
};
