#pragma once

// Registers the host's compiled-in images (":/play.png", ":/led_green.png", ...); they live in a static
// library, so the program must ask for them once. Safe to call more than once.
void initSpoolwatchResources();
