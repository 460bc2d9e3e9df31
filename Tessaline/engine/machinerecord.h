#pragma once

// The printer's build volume and how scene coordinates map onto its axes, as the options dialog fills it.
// The scene frame is Y up with layers in the (x, z) plane and the plate's centre at x = 0, z = 0; the
// printer's X and Y come from scene x and z:
//   printer X = (x - originX + buildWidth / 2) * signX
//   printer Y = (z - originZ + buildDepth / 2) * signZ
// The origin and the signs only move and turn the G-code's numbers: the plate stays centred on the scene.
// The origin is where the printer's 0,0 lies, measured from the plate's back left corner: originX from the
// left edge, originZ from the back edge towards the front. Scene z grows towards the front (an STL file's y,
// which grows towards the back, becomes -z), so a printer whose Y runs from front to back has signZ = -1.
// Lengths are mm; the signs are +1 or -1.
// A default record is that of the options dialog's defaults: a 200 mm cube with 0,0 at its front left
// corner, X from left to right and Y from front to back.
struct MachineRecord {
    float buildWidth = 200.0f;  // along x
    float buildHeight = 200.0f; // along y, the printing height
    float buildDepth = 200.0f;  // along z
    float originX = 0.0f;
    float originZ = 200.0f; // the front edge
    float signX = 1.0f;
    float signZ = -1.0f;
};

// The options dialog's choices of where the printer's 0,0 lies and where its axes run, as the indexes of
// its combo boxes: X direction "Left to Right", "Right to Left"; X origin "Left", "Center", "Right";
// Y direction "Front to Back", "Back to Front"; Y origin "Front", "Center", "Back".
struct MachineAxes {
    int xDirection = 0;
    int xOrigin = 0;
    int yDirection = 0;
    int yOrigin = 0;
};

// The record of a build volume of width (X), depth (Y) and height (Z) in mm with the given axes. An index
// out of range counts as the nearest one in range, so a damaged setting cannot put 0,0 off the plate.
MachineRecord machineRecordFromOptions(float width, float depth, float height, const MachineAxes &axes);

// The options dialog's two shortcuts, "Front Left corner" (all indexes 0) and "Center" (directions 0,
// both origins "Center").
MachineRecord frontLeftMachineRecord(float width, float depth, float height);
MachineRecord centerMachineRecord(float width, float depth, float height);
