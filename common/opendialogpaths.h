#pragma once

#include <QString>

class Ini;

// The folder last used by each kind of file dialog ("gcode", "model", "project", ...), kept as a
// JSON object in the settings string "openDialogPaths".
class OpenDialogPaths
{
public:
    explicit OpenDialogPaths(Ini &ini);

    // The remembered folder of a dialog kind, empty when there is none.
    QString path(const QString &kind) const;
    // Remembers the folder of filePath for the kind; ignored when either is empty.
    void remember(const QString &kind, const QString &filePath);

private:
    Ini &m_ini;
};

// The process-wide instance on Ini::global().
OpenDialogPaths &openDialogPaths();
