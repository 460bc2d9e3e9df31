#pragma once

// Registers the slicer's compiled-in resources (":/res/..."); they live in a static library, so the
// program must ask for them once. Safe to call more than once.
void initTessalineResources();
