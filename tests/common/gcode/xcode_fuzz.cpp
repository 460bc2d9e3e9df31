// Arbitrary records through the compact-format converter. Inputs without the magic get it (and a
// header) put in front, so that the fuzzer spends its time on records. Whatever the records, the text
// written must read back without a parser error.
#include "common/gcode/gcodeparser.h"
#include "common/gcode/gcodesimxcode.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)quiet;
    QByteArray input(reinterpret_cast<const char *>(data), int(size));
    if (!isXCode(input))
        input.prepend(QByteArray("ZCode") + QByteArray(123, '\0'));
    const QByteArray text = processXCode(input);
    GCodeParser parser;
    parser.parseWholeText(text);
    if (!parser.error().isEmpty() || !text.endsWith("G1X0F5000 ;finishing move\r\n"))
        std::abort();
    return 0;
}
