#include "common/takeline.h"

bool takeLine(QByteArray &buffer, QByteArray &line)
{
    const int end = buffer.indexOf('\n');
    if (end < 0) {
        line.clear();
        return false;
    }
    int length = end;
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    line.resize(0);
    line.reserve(length);
    for (int i = 0; i < length; ++i) {
        const char c = buffer[i];
        if (c == '\b')
            line.chop(1);
        else
            line.append(c);
    }
    buffer.remove(0, end + 1);
    return true;
}
