// Qt key events through the translation into the window's events, then through the core's
// forwarding.  Each event takes eight bytes: the Qt key (a known key, a character key or any
// value), the modifiers, press or release, auto-repeat, the native scan code and a character.
#include <QString>
#include <cstdint>

#include "fuzz/KeyFuzzRig.h"
#include "platform/qt/KeyTranslation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  tavolin::fuzz::KeyRig rig(data[0]);
  for (std::size_t i = 1; i + 8 <= size; i += 8) {
    const std::uint8_t* d = data + i;
    tavolin::qt::KeyInput input;
    const int low = d[1] | (d[2] << 8);
    switch (d[0] & 3) {
      case 0:
        input.key = 0x01000000 | (low & 0xFFF);  // the function and cursor keys
        break;
      case 1:
        input.key = low & 0xFF;  // characters
        break;
      default:
        input.key = static_cast<int>(static_cast<std::uint32_t>(low) << 16 | d[3]);
        break;
    }
    input.modifiers = Qt::KeyboardModifiers(static_cast<int>(d[4] & 0x1F) << 25);
    input.press = (d[5] & 1) != 0;
    input.autoRepeat = (d[5] & 2) != 0;
    input.nativeScanCode = d[6];
    if ((d[5] & 4) != 0) input.text = QString(QChar(static_cast<char16_t>(d[7] | (d[3] << 8))));
    for (const tavolin::Event& event : tavolin::qt::TranslateKey(input)) rig.Handle(event);
  }
  return 0;
}
