#pragma once

#include <QStringList>

// `tessaline-cli convert [--ascii] IN OUT`: compact G-code to text G-code; meshes (STL, OBJ) once the
// mesh kernel is linked. Returns the exit status; unreadable, unwritable or unsupported files throw
// their message.
int runConvert(const QStringList &args);
