// The Windows program: builds the Win32 platform objects for the form the command line names and
// runs it.  Called by main() in app/Main.cpp.
#pragma once

namespace tavolin::win32 {

int RunProgram(int argc, char** argv);

}  // namespace tavolin::win32
