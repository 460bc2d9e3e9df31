#pragma once

#include <QString>

// Points HOME, the XDG folders and TMPDIR at a fresh temporary folder for the whole test process,
// so that settings, data folders and local sockets never reach the user's real ones.
// Must run before the Qt application object is created.
void isolateTestEnvironment();

// The folder all of the above point into.
QString testHomeDir();

// Folders of the source and build trees, as CTest passes them (fall back to the compiled-in ones).
QString sourceDir();
QString binaryDir();
