// The windowed program on Windows: builds the Win32 clock, serial ports, window, console and
// desktop and runs the one windowed start-up (app/Startup.h).
#pragma once

#include "app/CommandLine.h"

namespace tavolin::win32 {

int RunWindowedProgram(const CommandLine& line);

}  // namespace tavolin::win32
