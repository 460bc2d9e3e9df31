#pragma once

#include <QByteArray>

// Number formats of the mesh writers. Both ignore the process locale (a comma decimal separator
// would break every other program reading the file).

// printf's "%.7g": at most 7 significant digits, trailing zeros dropped.
void appendGeneral7(QByteArray &out, float value);
// printf's "%.3f".
void appendFixed3(QByteArray &out, float value);
