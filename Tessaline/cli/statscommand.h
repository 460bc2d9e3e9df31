#pragma once

#include <QStringList>

// `tessaline-cli stats [--json] FILE...`: statistics of G-code and compact G-code files.
// Returns the exit status; a file that cannot be read throws its message.
int runStats(const QStringList &args);
