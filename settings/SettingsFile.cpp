#include "settings/SettingsFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/RegularFile.h"
#include "settings/ReadNumber.h"

namespace tavolin {
namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// 8-bit text (code points 0..255) as UTF-8.
std::string EncodeUtf8(std::string_view latin1) {
  std::string out;
  for (char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-8 to single bytes holding code points 0..255.  The result ends before the first code point
// above 255; when the text is not well-formed UTF-8 anywhere, the result is empty.
std::string DecodeUtf8ToLatin1(std::string_view text) {
  std::string out;
  bool stopped = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      cp = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
      minimum = 0x10000;
    } else {
      return {};
    }
    if (i + length > text.size()) return {};
    for (std::size_t k = 1; k < length; ++k) {
      const auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) return {};
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    if (cp > 0xFF) stopped = true;
    if (!stopped) out += static_cast<char>(cp);
    i += length;
  }
  return out;
}

struct Entry {
  std::string_view key;
  std::string_view value;
};

struct Group {
  std::string_view name;
  std::vector<Entry> entries;
};

// The parsed file.  Views point into the text handed to Parse, which must outlive it.
class IniText {
 public:
  explicit IniText(std::string_view text) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
      utf8_ = true;
      text.remove_prefix(kUtf8Bom.size());
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string_view::npos) end = text.size();
      ParseLine(TrimLeft(text.substr(pos, end - pos)));
      pos = end + 1;
    }
  }

  // The first entry of key in the first group called group, if there is one.
  std::optional<std::string_view> Find(std::string_view group, std::string_view key) const {
    const std::string wanted = utf8_ ? EncodeUtf8(key) : std::string(key);
    const std::string wantedGroup = utf8_ ? EncodeUtf8(group) : std::string(group);
    for (const Group& g : groups_) {
      if (!SameName(g.name, wantedGroup)) continue;
      for (const Entry& e : g.entries) {
        if (SameName(e.key, wanted)) return e.value;
      }
      return std::nullopt;  // only the first group of that name counts
    }
    return std::nullopt;
  }

  std::int32_t Int(std::string_view group, std::string_view key, std::int32_t missing) const {
    const auto value = Find(group, key);
    return value ? ReadDecimal(*value) : missing;
  }

  std::string String(std::string_view group, std::string_view key,
                     const std::string& missing) const {
    const auto value = Find(group, key);
    if (!value) return missing;
    const std::string_view trimmed = TrimRight(TrimLeft(*value));
    if (!utf8_) return std::string(trimmed);
    // A value cut before a code point above 255 loses the blanks before the cut as well, as it
    // would when read back from a file that holds only what was kept.
    const std::string decoded = DecodeUtf8ToLatin1(trimmed);
    return std::string(TrimRight(decoded));
  }

  float Float(std::string_view group, std::string_view key, float missing) const {
    const auto value = Find(group, key);
    if (!value) return missing;
    const double d = ReadFloat(*value);
    if (d > 3.4028234663852886e38) return std::numeric_limits<float>::infinity();
    if (d < -3.4028234663852886e38) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
  }

 private:
  void ParseLine(std::string_view line) {
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') {
      const std::string_view inner = line.substr(1);
      groups_.push_back({inner.substr(0, inner.find(']')), {}});
      return;
    }
    if (groups_.empty()) return;  // before the first group: never looked up
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      groups_.back().entries.push_back({line, {}});
    } else {
      groups_.back().entries.push_back(
          {TrimRight(line.substr(0, eq)), TrimLeft(line.substr(eq + 1))});
    }
  }

  bool utf8_ = false;
  std::vector<Group> groups_;
};

// A string value ends at its first line break: the file has no escapes, and a break would turn the
// rest of the value into entries of its own (a folder name with a newline could set any key).
std::string_view OneLine(std::string_view value) {
  return value.substr(0, value.find_first_of("\r\n"));
}

// "#RRGGBB": a 24-bit palette value in six upper-case hex digits, appended to one string.
std::string PaletteText(std::uint32_t value) {
  char hex[16];
  const auto r = std::to_chars(hex, hex + sizeof hex, value, 16);
  std::string_view digits(hex, static_cast<std::size_t>(r.ptr - hex));
  if (digits.size() > 6) digits = digits.substr(0, 6);
  std::string text = "#";
  text.append(6 - digits.size(), '0');
  for (char c : digits) text += AsciiUpper(c);
  return text;
}

// "%f" without the locale: six decimals and a point.  A scale that is no finite number is
// written as 1.0, the scale it shows at, so the file never holds "inf" or "nan".
std::string FixedSix(float value) {
  if (!std::isfinite(value)) value = 1.0f;
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                               std::chars_format::fixed, 6);
  return r.ec == std::errc() ? std::string(text, r.ptr) : std::string("0.000000");
}

// Reads at most kMaxSettingsFileBytes of a regular file; nullopt when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream in;
  if (!OpenRegularFile(path, in)) return std::nullopt;
  std::string text(kMaxSettingsFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return std::nullopt;
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got > kMaxSettingsFileBytes) return std::nullopt;
  text.resize(got);
  return text;
}

}  // namespace

std::uint32_t ParseHexValue(std::string_view text) {
  std::uint32_t value = 0;
  for (char ch : text) {
    const char c = AsciiUpper(ch);
    if (c >= '0' && c <= '9') {
      value = value * 16u + static_cast<std::uint32_t>(c - 48);
    } else if (c >= 'A' && c <= 'F') {
      value = value * 16u + static_cast<std::uint32_t>(c - 55);
    }
  }
  return value;
}

std::string FormatSettingsFile(const Settings& s, bool autoModeChecked) {
  std::string out;
  auto line = [&out](std::string_view text) {
    out += text;
    out += kEol;
  };
  auto entry = [&out](std::string_view key, std::string_view value) {
    out += key;
    out += '=';
    out += value;
    out += kEol;
  };
  auto number = [&entry](std::string_view key, std::int32_t value) {
    entry(key, std::to_string(value));
  };
  line(kSettingsHeader);
  line("[Config]");
  number("ComNr", s.ComNr);
  number("FT232R", s.FT232R);
  number("UseRTS", s.UseRTS);
  entry("BinPath", OneLine(s.BinPath));
  number("AutoDis", autoModeChecked ? 1 : 0);
  number("VKeys", s.VKeys);
  number("TxtCurs", s.TxtCurs);
  number("MsMoveOff", s.MsMoveOff);
  number("BaudRate", s.BaudRate);
  number("CRmode", s.CRmode);
  number("Rows", s.Rows);
  number("Cols", s.Cols);
  entry("Autoload", "");
  number("InversScreenshot", s.InversScreenshot);
  entry("WindowScale", FixedSix(s.WindowScale));
  const Settings defaults;
  if (s.TermBaud != defaults.TermBaud) number("TermBaud", s.TermBaud);
  if (s.P2LoadBaud != defaults.P2LoadBaud) number("P2LoadBaud", s.P2LoadBaud);
  line("[Colors]");
  for (std::size_t i = 0; i < s.palette.size(); ++i) {
    entry("pal_" + std::to_string(i), PaletteText(s.palette[i]));
  }
  return out;
}

std::string SaveSettingsFile(const std::string& path, const Settings& settings,
                             bool autoModeChecked) {
  return ReplaceFileContents(path, FormatSettingsFile(settings, autoModeChecked));
}

void ApplySettingsText(std::string_view text, Settings& s, std::int32_t& normalTerminalMode) {
  const IniText ini(text);
  constexpr std::string_view kConfig = "Config";
  s.ComNr = ini.Int(kConfig, "ComNr", s.ComNr);
  s.FT232R = ini.Int(kConfig, "FT232R", 1);
  s.UseRTS = ini.Int(kConfig, "UseRTS", 0);
  s.BinPath = ini.String(kConfig, "BinPath", s.BinPath);
  s.AutoDis = ini.Int(kConfig, "AutoDis", 0);
  s.VKeys = ini.Int(kConfig, "VKeys", 0);
  s.TxtCurs = ini.Int(kConfig, "TxtCurs", 1);
  s.MsMoveOff = ini.Int(kConfig, "MsMoveOff", 1);
  normalTerminalMode = s.MsMoveOff;
  s.BaudRate = ini.Int(kConfig, "BaudRate", 1);
  s.CRmode = ini.Int(kConfig, "CRmode", 0);
  s.Rows = ini.Int(kConfig, "Rows", 25);
  s.Cols = ini.Int(kConfig, "Cols", 80);
  s.Autoload = ini.String(kConfig, "Autoload", "");
  s.InversScreenshot = ini.Int(kConfig, "InversScreenshot", 0);
  s.WindowScale = ini.Float(kConfig, "WindowScale", 1.0f);
  const Settings defaults;
  s.TermBaud = ini.Int(kConfig, "TermBaud", defaults.TermBaud);
  s.P2LoadBaud = ini.Int(kConfig, "P2LoadBaud", defaults.P2LoadBaud);
  for (std::size_t i = 0; i < s.palette.size(); ++i) {
    const std::string value = ini.String("Colors", "pal_" + std::to_string(i), "");
    if (!value.empty()) s.palette[i] = ParseHexValue(std::string_view(value).substr(1));
  }
}

bool LoadSettingsFile(const std::string& path, Settings& settings,
                      std::int32_t& normalTerminalMode) {
  const std::optional<std::string> text = ReadSmallFile(path);
  if (!text) return false;
  ApplySettingsText(*text, settings, normalTerminalMode);
  return true;
}

}  // namespace tavolin
