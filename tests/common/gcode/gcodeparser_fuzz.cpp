// Arbitrary bytes through both ways into the parser: the whole text in place, and streamed in pieces.
// Every call must move the cursor forward and stay inside the text; nothing may throw. The shortcuts
// must agree with what they stand for: the number reader's with the pair reader, streaming with
// parsing each line that takeLine gives.
#include "common/gcode/gcodeparser.h"
#include "common/strnum.h"
#include "common/takeline.h"
#include "parsesteps.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

template <class T> bool sameBits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkNumberReaders(const QByteArray &text)
{
    for (int offset = 0; offset < text.size() && offset < 256; ++offset) {
        const char *fast = text.constData() + offset, *reference = fast;
        float fastValue = 0, referenceValue = 0;
        const bool fastOk = strToNormalFloat(fast, fastValue);
        if (fastOk != strnum_detail::readNumberByPairs(reference, referenceValue) || fast != reference ||
            (fastOk && !sameBits(fastValue, referenceValue)))
            std::abort();
    }
}

// What streaming stands for: each line from takeLine parsed on its own.
void parseLineByLine(GCodeParser &parser, const QByteArray &text, int piece)
{
    QByteArray pending, line;
    for (int start = 0; start < text.size(); start += piece) {
        pending += text.mid(start, piece);
        while (takeLine(pending, line))
            parseLineCommands(parser, line);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A separate heap block of exactly the text and its NUL, so that the sanitizer sees any overread.
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    GCodeParser parser;
    if (!parseEveryStepForward(parser, text))
        std::abort();

    GCodeParser streamed;
    streamed.reset();
    const int piece = size ? 1 + data[0] % 64 : 1;
    for (int start = 0; start < text.size(); start += piece)
        streamed.feedLines(text.mid(start, piece));

    GCodeParser lineByLine;
    lineByLine.reset();
    parseLineByLine(lineByLine, text, piece);
    if (streamed.lineNo != lineByLine.lineNo || streamed.error() != lineByLine.error() ||
        !sameBits(streamed.posX, lineByLine.posX) || !sameBits(streamed.posY, lineByLine.posY) ||
        !sameBits(streamed.posE, lineByLine.posE) || !sameBits(streamed.timeSec, lineByLine.timeSec) ||
        streamed.segType != lineByLine.segType || streamed.fan != lineByLine.fan)
        std::abort();

    checkNumberReaders(text);
    return 0;
}
