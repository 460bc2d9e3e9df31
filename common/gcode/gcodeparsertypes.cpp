#include "common/gcode/gcodeparsertypes.h"

#include "common/gcode/gcodeparser.h"

const char *const segTypeNames[kSegTypeCount] = {"Unknown", "Perimeter", "Loop",        "HShell",
                                                 "Infill",  "Support",   "SoftSupport", "Skirt",
                                                 "Raft",    "OuterHair", "InnerHair",   "Travel"};

namespace
{

const TypeCommentTable kOwnTable = {";segType:",
                                    {segTypeNames[0], segTypeNames[1], segTypeNames[2], segTypeNames[3],
                                     segTypeNames[4], segTypeNames[5], segTypeNames[6], segTypeNames[7],
                                     segTypeNames[8], segTypeNames[9], segTypeNames[10], segTypeNames[11]},
                                    false};

// Both spellings of the prefix share one table. "FILL" appears twice; the first slot wins.
const char *const kTypeNames[kSegTypeCount] = {nullptr, "WALL-OUTER", "WALL-INNER", "FILL",  "FILL",  "SUPPORT",
                                               nullptr, "SKIRT",      nullptr,      nullptr, nullptr, nullptr};
const TypeCommentTable kTypeTable = {";TYPE:",
                                     {kTypeNames[0], kTypeNames[1], kTypeNames[2], kTypeNames[3], kTypeNames[4],
                                      kTypeNames[5], kTypeNames[6], kTypeNames[7], kTypeNames[8], kTypeNames[9],
                                      kTypeNames[10], kTypeNames[11]},
                                     false};
const TypeCommentTable kSpacedTypeTable = {"; TYPE:",
                                           {kTypeNames[0], kTypeNames[1], kTypeNames[2], kTypeNames[3], kTypeNames[4],
                                            kTypeNames[5], kTypeNames[6], kTypeNames[7], kTypeNames[8], kTypeNames[9],
                                            kTypeNames[10], kTypeNames[11]},
                                           false};

const TypeCommentTable kQuotedTable = {"; '",
                                       {nullptr, "Perimeter'", "Loop'", "Solid'", "Sparse Infill'",
                                        "Support Interface'", nullptr, "Skirt'", "Raft'", "Crown'", nullptr, nullptr},
                                       false};

const TypeCommentTable kPlainTable = {
    "; ",
    {nullptr, "Outline", "Inset", "Infill", nullptr, "Support", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    true};

const TypeCommentTable kParenthesisTable = {"(<",
                                            {nullptr, "edge>", "loop>", "infill>", nullptr, "supportLayer>", nullptr,
                                             nullptr, "raftPerimeter>", nullptr, nullptr, nullptr},
                                            false};

// Tried in this order at every ';'; the first match of prefix and name wins.
const TypeCommentTable *const kLineCommentTables[] = {&kOwnTable, &kTypeTable, &kSpacedTypeTable, &kQuotedTable,
                                                      &kPlainTable};

// The text after `prefix` at `text`, or nullptr. Stops at the first difference, so never passes a NUL.
const char *afterPrefix(const char *text, const char *prefix)
{
    while (*prefix) {
        if (*text != *prefix)
            return nullptr;
        ++text;
        ++prefix;
    }
    return text;
}

bool continuesWord(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

bool GCodeParser::matchTypeComment(const char *text, const TypeCommentTable &table)
{
    const char *name = afterPrefix(text, table.prefix);
    if (!name)
        return false;
    // Slot 0 ("Unknown") and slot 11 ("Travel") are never taken from a comment.
    for (int slot = 1; slot <= 10; ++slot) {
        if (!table.names[slot])
            continue;
        const char *after = afterPrefix(name, table.names[slot]);
        if (after && !continuesWord(*after)) {
            segType = slot;
            segTypeFromPlainComment = table.plainComment;
            return true;
        }
    }
    return false;
}

void GCodeParser::matchLineComment(const char *text)
{
    if (text[1] != 'T' && text[1] != 's' && text[1] != ' ')
        return; // no table's prefix continues any other way
    for (const TypeCommentTable *table : kLineCommentTables) {
        if (matchTypeComment(text, *table))
            return;
    }
}

void GCodeParser::matchParenthesisComment(const char *text)
{
    matchTypeComment(text, kParenthesisTable);
}
