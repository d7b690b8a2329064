#include "platform/FileFilter.h"

namespace tavolin {
namespace {

std::vector<std::string> Split(std::string_view s, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find(separator, start);
    parts.emplace_back(s.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

}  // namespace

std::vector<FileType> FileTypes(std::string_view filter) {
  std::vector<FileType> types;
  if (filter.empty()) return types;
  const std::vector<std::string> parts = Split(filter, '|');
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileType type{parts[i], {}};
    for (std::string& p : Split(parts[i + 1], ';')) {
      if (!p.empty()) type.patterns.push_back(std::move(p));
    }
    if (!type.patterns.empty()) types.push_back(std::move(type));
  }
  return types;
}

}  // namespace tavolin
