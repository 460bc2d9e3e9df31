// Arbitrary bytes through both ways into the parser: the whole text in place, and streamed in pieces.
// Every call must move the cursor forward and stay inside the text; nothing may throw.
#include "gcodeparser.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A separate heap block of exactly the text and its NUL, so that the sanitizer sees any overread.
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    GCodeParser parser;
    parser.reset();
    parser.textStart = text.constData();
    const char *cursor = text.constData();
    const char *const end = cursor + text.size();
    while (cursor < end) {
        const char *before = cursor;
        if (*cursor == '\0')
            ++cursor;
        else
            parser.parseCommand(cursor);
        if (cursor <= before || cursor > end)
            std::abort();
    }

    GCodeParser streamed;
    streamed.reset();
    const int piece = size ? 1 + data[0] % 64 : 1;
    for (int start = 0; start < text.size(); start += piece)
        streamed.feedLines(text.mid(start, piece));
    return 0;
}
