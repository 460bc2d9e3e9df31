#pragma once

// Which vector instruction set the pixel operators use. Every operator has a plain version that defines
// its result and faster versions that must give the same bytes; tests switch the level to compare them.
enum class SimdLevel { Plain = 0, Sse2 = 1, Avx2 = 2 };

// The best level this processor runs (SSE2 on every x86-64, AVX2 when the CPU reports it).
SimdLevel bestSimdLevel();

// The level the operators use now; starts at bestSimdLevel().
SimdLevel simdLevel();

// Chooses the level for the whole process; a level the CPU lacks is lowered to bestSimdLevel().
void setSimdLevel(SimdLevel level);
