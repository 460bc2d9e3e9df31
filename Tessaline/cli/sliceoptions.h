#pragma once

#include "engine/machinerecord.h"

#include <QString>
#include <QStringList>

// The command line of `tessaline-cli slice`, checked: whatever parse() accepts can be sliced.
struct SliceOptions {
    QStringList inputs;
    QString output;
    QString preset;
    QStringList settings; // "Key=Value", applied in order after the preset
    int threads = 0;      // 0: as many as the machine has
    // The options dialog's default unless --machine or --origin says otherwise.
    MachineRecord machine;
    bool quiet = false;
    // --supports SPACING,ANGLE: generate support bars before slicing (spacing in mm, overhang angle in degrees).
    bool generateSupports = false;
    float supportSpacing = 0;
    float supportAngle = 0;

    // Returns an empty string, or what is wrong for the usage message.
    QString parse(const QStringList &args);
};

// "SPACING,ANGLE": bar spacing (mm, above 0) and overhang angle (degrees, finite).
QString parseSupports(const QString &text, float &spacing, float &angle);

// "W,H,D,OX,OZ,SX,SZ": the machine record's seven numbers in its order: build width, height and depth, origin x
// and z (mm), x and z sign (1 or -1).
QString parseMachine(const QString &text, MachineRecord &machine);

// "front-left" or "center": the options dialog's two shortcuts on its default build volume.
QString parseOrigin(const QString &text, MachineRecord &machine);
