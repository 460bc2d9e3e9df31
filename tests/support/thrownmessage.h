#pragma once

#include <QString>

// The message of a thrown C string or QString, or "" when nothing was thrown.
template <typename F> QString thrownMessage(F call)
{
    try {
        call();
    } catch (const char *message) {
        return QString(message);
    } catch (const QString &message) {
        return message;
    }
    return QString();
}
