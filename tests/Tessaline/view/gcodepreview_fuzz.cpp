// Arbitrary bytes into the G-code preview, whole and streamed in pieces, then into the vertex buffers
// and colour runs of every colouring mode. Nothing may crash or read outside the text, and streaming
// must build the same preview as the whole text (unless a parenthesis comment, which runs to the end
// of the text received so far, crosses a piece).
#include "view/gcodelists.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

template <class T> bool sameRecords(const std::vector<T> &a, const std::vector<T> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int piece = 1 + data[0] % 64;
    const QByteArray text(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    GCodePreview whole;
    whole.build(text);
    GCodePreview streamed;
    streamed.reset();
    for (int at = 0; at < text.size(); at += piece)
        streamed.append(text.mid(at, piece));
    streamed.finish();
    if (!text.contains('(') &&
        (!sameRecords(whole.segments(), streamed.segments()) || !sameRecords(whole.layers(), streamed.layers()) ||
         whole.lineCount() != streamed.lineCount()))
        std::abort();
    for (int mode = 0; mode <= 6; ++mode) {
        const GCodeLists lists = buildGCodeLists(whole, 0, std::min(whole.layerCount(), 50) - 1, mode, HeatPalette());
        for (const GCodeDrawRun &run : lists.beadRuns)
            if (run.firstVertex < 0 || run.firstVertex + run.vertexCount > lists.beadVertexCount())
                std::abort();
        for (const GCodeDrawRun &run : lists.travelRuns)
            if (run.firstVertex < 0 || run.firstVertex + run.vertexCount > lists.travelVertexCount())
                std::abort();
    }
    for (int line = -1; line <= whole.lineCount(); ++line)
        whole.layerOfSegment(whole.segmentAtLine(line));
    return 0;
}
