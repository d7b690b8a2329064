// The core's key and mouse forwarding under any sequence of window events: three bytes an event
// (kind, value, and the pointer position for mouse events, -1 included).
#include <cstdint>

#include "fuzz/KeyFuzzRig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tavolin::Event;
  if (size < 1) return 0;
  tavolin::fuzz::KeyRig rig(data[0]);
  for (std::size_t i = 1; i + 3 <= size; i += 3) {
    const std::uint8_t kind = data[i];
    const int value = data[i + 1];
    const int where = data[i + 2];
    rig.ui.pointer = {where == 255 ? -1 : where * 37 % 5000, where == 254 ? -1 : where * 53 % 9000};
    constexpr Event::Kind kKinds[] = {
        Event::Kind::KeyDown,   Event::Kind::Char,      Event::Kind::KeyUp,
        Event::Kind::MouseMove, Event::Kind::LeftClick, Event::Kind::RightDown,
        Event::Kind::ButtonUp,  Event::Kind::KeyDown,
    };
    // Key codes beyond a byte reach the forwarding too (a platform might pass any int).
    const int code = (kind & 0x80) != 0 ? value * 131 - 9000 : value;
    rig.Handle({kKinds[kind & 7], code});
    if ((kind & 0x78) == 0x78) rig.app.settings.VKeys ^= 1;
  }
  return 0;
}
