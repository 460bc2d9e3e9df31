// The link against a printer double on a real pseudo-terminal.
#include "ptyprinter.h"

#include "link/printer.h"

#include <gtest/gtest.h>
