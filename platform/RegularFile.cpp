#include "platform/RegularFile.h"

#include <filesystem>
#include <system_error>

namespace tavolin {

namespace fs = std::filesystem;

FileKind KindOfFile(const std::string& path) {
  if (path.empty()) return FileKind::Missing;
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(path), ec);
  switch (status.type()) {
    case fs::file_type::regular:
      return FileKind::Regular;
    case fs::file_type::directory:
      return FileKind::Folder;
    case fs::file_type::none:
    case fs::file_type::not_found:
      return FileKind::Missing;
    default:
      return FileKind::Other;
  }
}

bool OpenRegularFile(const std::string& path, std::ifstream& in) {
  if (KindOfFile(path) != FileKind::Regular) return false;
  in.open(fs::path(path), std::ios::binary);
  return in.is_open();
}

bool CreateRegularFile(const std::string& path, std::ofstream& out) {
  const FileKind kind = KindOfFile(path);
  if (kind != FileKind::Regular && kind != FileKind::Missing) return false;
  if (kind == FileKind::Missing) {
    // A dangling symbolic link or a name that cannot be looked up: only a plain new name is
    // created, so a link cannot lead the write to a device made later.
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(fs::path(path), ec);
    if (own.type() != fs::file_type::not_found) return false;
  }
  out.open(fs::path(path), std::ios::binary | std::ios::trunc);
  return out.is_open();
}

std::int64_t RegularFileSize(const std::string& path) {
  if (KindOfFile(path) != FileKind::Regular) return -1;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(fs::path(path), ec);
  if (ec || size > static_cast<std::uintmax_t>(INT64_MAX)) return -1;
  return static_cast<std::int64_t>(size);
}

}  // namespace tavolin
