#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

// G-code files by extension: ".gcode", ".gco" and the compact ".zcode".
bool isGCodeFile(const QString &path);
bool isModelFile(const QString &path);   // ".stl", ".obj"
bool isProjectFile(const QString &path); // ".tsprj"
bool isPresetFile(const QString &path);  // ".tssp"

// What a drag brings: existing local files sorted by kind. Only one project and one G-code file are
// taken; any number of models.
struct DroppedFiles
{
    QStringList models;
    QString project;
    QString gcode;

    bool isEmpty() const { return models.isEmpty() && project.isEmpty() && gcode.isEmpty(); }
    static DroppedFiles classify(const QMimeData *data);
};
