#pragma once

#include <QByteArray>
#include <QVarLengthArray>
#include <cstring>

// Line and token scanning shared by the text mesh readers. Lines end at line feeds and are trimmed
// of surrounding white space; tokens are separated by blanks (space characters only: a tab inside a
// line belongs to its token), empty tokens dropped. Nothing is copied: tokens point into the data.
struct MeshToken {
    const char *begin = nullptr;
    int size = 0;

    bool is(const char *word) const;
    // The token as a number; an unparsable token reads as 0. A value beyond the float range
    // becomes infinite, so that the caller's finiteness check rejects it.
    float toFloat() const;
    // A decimal integer; false when unparsable or beyond 64 bits.
    bool toInt64(qint64 &value) const;
};

using MeshTokens = QVarLengthArray<MeshToken, 16>;

inline bool isTrimmedSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Calls lineHandler(const MeshTokens &) for every line of data, in order.
template <typename Handler> void forEachTokenLine(const QByteArray &data, Handler lineHandler)
{
    const char *p = data.constData();
    const char *const end = p + data.size();
    MeshTokens tokens;
    while (p < end) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const char *q = p;
        const char *last = lineEnd;
        while (q < last && isTrimmedSpace(*q))
            ++q;
        while (last > q && isTrimmedSpace(last[-1]))
            --last;
        tokens.clear();
        while (q < last) {
            while (q < last && *q == ' ')
                ++q;
            const char *tokenStart = q;
            while (q < last && *q != ' ')
                ++q;
            if (q > tokenStart)
                tokens.append({tokenStart, int(q - tokenStart)});
        }
        lineHandler(static_cast<const MeshTokens &>(tokens));
        p = lineEnd + 1;
    }
}
