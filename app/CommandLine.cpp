#include "app/CommandLine.h"

#include <cstdint>

namespace tavolin {

CommandLine ParseCommandLine(std::string_view raw) {
  std::string params[3];
  std::size_t pos = 0;
  for (std::string& param : params) {
    while (pos < raw.size() && (raw[pos] == ' ' || raw[pos] == '\t')) ++pos;
    if (pos >= raw.size()) break;
    if (raw[pos] == '"') {
      const std::size_t close = raw.find('"', pos + 1);
      const std::size_t end = close == std::string_view::npos ? raw.size() : close;
      param.assign(raw.substr(pos + 1, end - pos - 1));
      pos = close == std::string_view::npos ? raw.size() : close + 1;
    } else {
      std::size_t end = pos;
      while (end < raw.size() && raw[end] != ' ' && raw[end] != '\t') ++end;
      param.assign(raw.substr(pos, end - pos));
      pos = end;
    }
  }
  return {params[0], params[1], params[2]};
}

CommandLine CommandLineFromArgv(int argc, const char* const* argv) {
  CommandLine line;
  if (argc > 1 && argv[1] != nullptr) line.first = argv[1];
  if (argc > 2 && argv[2] != nullptr) line.second = argv[2];
  if (argc > 3 && argv[3] != nullptr) line.third = argv[3];
  return line;
}

int ReadDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturate, keep reading digits
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

}  // namespace tavolin
