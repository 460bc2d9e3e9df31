#pragma once

#include <QString>

// Output channels and the usage text shared by the subcommands.

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printOut(const QString &text);
void printErr(const QString &text);

// Prints "tessaline-cli: <message>" and a pointer to --help on stderr; returns kExitUsage.
int usageError(const QString &message);

QString usageText();
