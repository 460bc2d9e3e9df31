#pragma once

#include <QByteArray>

// The printer firmware's replies, one line (without its '\n') at a time.
enum class ReplyKind {
    Other,         // anything else: echoes, banners, temperatures
    Start,         // "start": the firmware restarted
    Ok,            // "ok" or "ok ...": the channel's command is acknowledged
    HardwareError, // "!!", "!! ..." or "Error:...": the printer stopped
};

// The line as the link matches it: bytes that are not text (NUL, other control bytes, bytes from a
// line disturbance) are dropped, so that an "ok" with a stray byte in it still acknowledges. A
// trailing '\r' goes as well.
QByteArray replyText(const QByteArray &line);

// What a line (already cleaned by replyText) means for the link.
ReplyKind classifyReply(const QByteArray &text);

// "T:<head> B:<bed>" anywhere in the line; false when it does not match.
bool parseTemperatures(const QByteArray &text, int &head, int &bed);

// "zor3nixa version: <a>.<b>.<build>": the firmware's build number; false when it does not match.
bool parseFirmwareBuild(const QByteArray &text, int &build);
