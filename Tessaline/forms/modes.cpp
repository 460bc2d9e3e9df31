#include "forms/modes.h"

#include <QStringList>
#include <QtGlobal>

EditMode editModeFromInt(int mode)
{
    return EditMode(qBound(int(EditMode::Select), mode, int(EditMode::GCode)));
}

bool isObjectMode(EditMode mode)
{
    return EditModes::objectModes().contains(mode);
}

QString editModeName(EditMode mode)
{
    static const QStringList names = {"Select", "Move", "Rotate", "Scale", "Drop plane", "Support", "GCode"};
    return names.at(int(mode));
}

ViewMode viewModeOf(EditMode mode)
{
    if (mode == EditMode::GCode)
        return ViewMode::GCode;
    return mode == EditMode::Support ? ViewMode::Support : ViewMode::Objects;
}
