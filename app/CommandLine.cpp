#include "app/CommandLine.h"

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

}  // namespace tavolin
