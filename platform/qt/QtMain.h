// The windowed program on Linux: the Qt application, the window, the real serial ports and clock,
// handed to the core's RunWindowed.  No Qt types appear here, so app/Main.cpp stays free of Qt.
#pragma once

#include "app/CommandLine.h"

namespace tavolin::qt {

// Runs the terminal until the user quits; returns the process exit code.
int RunWindowedProgram(int argc, char** argv, const CommandLine& line);

}  // namespace tavolin::qt
