#include "link/replies.h"

#include <QRegularExpression>
#include <QString>

QByteArray replyText(const QByteArray &line)
{
    QByteArray text;
    text.reserve(line.size());
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\t' || (byte >= 0x20 && byte < 0x7F))
            text += c;
    }
    return text;
}

ReplyKind classifyReply(const QByteArray &text)
{
    if (text == "start")
        return ReplyKind::Start;
    if (text == "ok" || text.startsWith("ok "))
        return ReplyKind::Ok;
    if (text == "!!" || text.startsWith("!! ") || text.startsWith("Error:"))
        return ReplyKind::HardwareError;
    return ReplyKind::Other;
}

bool parseTemperatures(const QByteArray &text, int &head, int &bed)
{
    static const QRegularExpression pattern("T:(\\d*) B:(\\d*)");
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return false;
    head = match.captured(1).toInt();
    bed = match.captured(2).toInt();
    return true;
}

bool parseFirmwareBuild(const QByteArray &text, int &build)
{
    static const QRegularExpression pattern("zor3nixa version: (\\d*).(\\d*).(\\d*)");
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return false;
    build = match.captured(3).toInt();
    return true;
}
