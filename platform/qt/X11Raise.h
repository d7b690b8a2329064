// Raising another program's window by its exact title on X11: the top-level window whose
// _NET_WM_NAME (or, without it, WM_NAME) is exactly the title is asked to become the active
// window (_NET_ACTIVE_WINDOW); without a window manager that lists its clients it is raised
// directly.  Other platforms have no way to do this and get false.
#pragma once

#include <string_view>

namespace tavolin::qt {

// False when no such window exists or the application does not run on X11.
bool RaiseWindowTitled(std::string_view title);

}  // namespace tavolin::qt
