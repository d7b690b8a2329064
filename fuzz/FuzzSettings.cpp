// The settings reader under arbitrary files.  Whatever a file holds, what was loaded and saved
// must load and save again to the same bytes, the effective sizes must stay usable, and the
// number reader must read the file's text exactly as the C library's atof does.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "settings/ReadNumber.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

namespace {

using namespace tavolin;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  Settings first;
  std::int32_t mode = 0;
  ApplySettingsText(text, first, mode);
  Check(mode == first.MsMoveOff);
  const std::string once = FormatSettingsFile(first, true);
  Settings second;
  ApplySettingsText(once, second, mode);
  Check(FormatSettingsFile(second, true) == once);

  const float scale = EffectiveScale(first);
  Check(std::isfinite(scale) && scale >= kMinScale && scale <= kMaxScale);
  Check(StretchedPictureFits(EffectiveCols(first), EffectiveRows(first), scale));

  // The text up to its first NUL, as the C library sees it (tests run in the "C" locale).
  const std::string cText(text.substr(0, text.find('\0')));
  const double ours = ReadFloat(cText);
  const double theirs = std::atof(cText.c_str());
  if (std::isnan(theirs)) {
    Check(std::isnan(ours));
  } else {
    Check(ours == theirs && std::signbit(ours) == std::signbit(theirs));
  }
  return 0;
}
