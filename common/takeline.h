#pragma once

#include <QByteArray>

// Line splitter for bytes received from a device. When the buffer holds a '\n', moves the bytes before
// it into `line` (without one trailing '\r'), removes them and the '\n' from the buffer, applies
// backspaces (each 0x08 deletes itself and the byte before it) and returns true. Otherwise `line` is
// emptied and false is returned.
bool takeLine(QByteArray &buffer, QByteArray &line);
