#pragma once

#include <QtGlobal>

// What a tool path is for. The numbers index the feed-rate and extrusion factor arrays of SlicerParams
// and are written, by name, after ";segType:" in the G-code, which the G-code reader maps back: both
// the numbers and the names are part of the file format and never change.
enum class SegType : qint32 {
    Unknown = 0,
    Perimeter = 1,
    Loop = 2,
    HShell = 3,
    Infill = 4,
    Support = 5,
    SoftSupport = 6,
    Skirt = 7,
    Raft = 8,
    OuterHair = 9,
    InnerHair = 10,
    Travel = 11,
};

// Number of named segment types (Unknown to Travel).
constexpr int segTypeCount = 12;

// The file-format name of a type; "Unknown" for numbers outside the table.
inline const char *segTypeName(SegType type)
{
    static const char *const names[segTypeCount] = {"Unknown", "Perimeter", "Loop",        "HShell",
                                                    "Infill",  "Support",   "SoftSupport", "Skirt",
                                                    "Raft",    "OuterHair", "InnerHair",   "Travel"};
    const int index = int(type);
    return index >= 0 && index < segTypeCount ? names[index] : names[0];
}
