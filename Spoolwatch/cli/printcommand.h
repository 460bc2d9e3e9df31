#pragma once

#include <QStringList>

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The usage text of spoolwatch-cli.
QString usageText();

// "print --port PATH FILE [--bypass-heat] [--bypass-fan] [--kind Taliform|Unknown]": streams FILE
// through a Printer on PATH until the last command is acknowledged (0), the link or the printer
// stops it (1, with the reason on stderr) or Ctrl+C stops it (1). Runs the Qt event loop.
int runPrint(const QStringList &args);

// "index FILE": loads and indexes FILE as a printer does before a job and prints its size, command
// estimate, layer count and the seconds the load took.
int runIndex(const QStringList &args);

// "flash --port PATH [--lcd] [--wait-scale F] FILE | --raw IMAGE.bin": writes one board's image through
// the SAM-BA boot loader on PATH with a progress bar; 0 on success, 1 with the error line on stderr.
int runFlash(const QStringList &args);
