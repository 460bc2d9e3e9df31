#pragma once

// Tool-path segment types as G-code comments name them. The slicer's own names come first; the other
// tables map the comment dialects of other G-code writers onto the same indices.

// "Unknown", "Perimeter", ..., "Travel": the slicer's SegType names, index 0..11.
extern const char *const segTypeNames[12];
constexpr int kSegTypeCount = 12;

// One comment dialect: its prefix, a name per segment type (nullptr never matches) and whether the
// match counts as coming from a plain "; name" comment.
struct TypeCommentTable {
    const char *prefix;
    const char *names[kSegTypeCount];
    bool plainComment;
};
