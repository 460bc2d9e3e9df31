#pragma once

// The printer's build volume and how scene coordinates map onto its axes, as the options dialog fills it.
// The scene frame is Y up with layers in the (x, z) plane; the printer's X and Y come from scene x and z:
//   printer X = (x - originX + buildWidth / 2) * signX
//   printer Y = (z - originZ + buildDepth / 2) * signZ
// Lengths are mm; the signs are +1 or -1 for machines whose axes run the other way.
struct MachineRecord {
    float buildWidth = 200.0f;  // along x
    float buildHeight = 200.0f; // along y, the printing height
    float buildDepth = 200.0f;  // along z
    float originX = 0.0f;
    float originZ = 0.0f;
    float signX = 1.0f;
    float signZ = 1.0f;
};
