#pragma once

#include <QString>

// Folders and files that differ between operating systems. Nothing outside the platform layer tests
// for the OS.
namespace platform {

// The per-user data folder of this application, with a trailing '/'; created when missing.
QString dataDir();

// The folder both programs use to hand files to each other ("Tessaline/" in the user's data
// folder), with a trailing '/'; created when missing.
QString handOverDir();

// Where a developer switch file lives. The switches are named by their Windows paths ("c:/escale",
// "c:/het", "c:/hdConsts.dat", "c:/keyframes.dat"); on Windows that is the literal path, elsewhere a
// fixed file of the same base name in a "switches" folder of the user's data folder.
QString developerSwitchPath(const QString &windowsPath);

// True when the developer switch file exists.
bool developerSwitchSet(const QString &windowsPath);

} // namespace platform
