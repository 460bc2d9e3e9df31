#include "engine/machinerecord.h"

#include <algorithm>

MachineRecord machineRecordFromOptions(float width, float depth, float height, const MachineAxes &axes)
{
    const int xOrigin = std::clamp(axes.xOrigin, 0, 2);
    const int yOrigin = std::clamp(axes.yOrigin, 0, 2);
    MachineRecord machine;
    machine.buildWidth = width;
    machine.buildHeight = height;
    machine.buildDepth = depth;
    machine.originX = float(xOrigin) * width / 2.0f;
    // The front of the plate is the scene's large z: "Front" lies a whole depth from "Back".
    machine.originZ = float(2 - yOrigin) * depth / 2.0f;
    machine.signX = axes.xDirection > 0 ? -1.0f : 1.0f;
    machine.signZ = axes.yDirection > 0 ? 1.0f : -1.0f;
    return machine;
}

MachineRecord frontLeftMachineRecord(float width, float depth, float height)
{
    return machineRecordFromOptions(width, depth, height, MachineAxes{0, 0, 0, 0});
}

MachineRecord centerMachineRecord(float width, float depth, float height)
{
    return machineRecordFromOptions(width, depth, height, MachineAxes{0, 1, 0, 1});
}
