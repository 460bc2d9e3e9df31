#pragma once

#include <QByteArray>
#include <QString>

// The whole file. A missing file throws QString "File not found \"<path>\"" when mustExist,
// otherwise gives empty bytes.
QByteArray readFile(const QString &path, bool mustExist);

// A file of that name when one exists (so a developer can override a built-in resource),
// else the compiled-in ":/res/<name>". Throws QString "Resouce not found: <name>" when neither exists.
QByteArray readResource(const QString &name);
