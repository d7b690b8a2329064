#include "platform/RegularFile.h"

#include <cerrno>
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

std::string ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    target = fs::canonical(target, ec);
    if (ec) return std::string(kNotARegularFile);  // leads nowhere
  }
  const fs::file_status old = fs::status(target, ec);
  const bool replacing = old.type() == fs::file_type::regular;
  if (!replacing && old.type() != fs::file_type::not_found) return std::string(kNotARegularFile);
  fs::path fresh = target;
  fresh += std::string(kNewFileSuffix);
  fs::remove(fresh, ec);  // a leftover of a save that was cut short, or whatever else is there
  errno = 0;
  std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    const int why = errno != 0 ? errno : EACCES;
    return std::generic_category().message(why);
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  const bool written = out.good();
  out.close();
  if (!written || out.fail()) {
    const int why = errno != 0 ? errno : EIO;
    fs::remove(fresh, ec);
    return std::generic_category().message(why);
  }
  if (replacing) fs::permissions(fresh, old.permissions(), fs::perm_options::replace, ec);
  fs::rename(fresh, target, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(fresh, ec);
    return why;
  }
  return {};
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(path), ec);
  return ec ? path : absolute.string();
}

std::int64_t RegularFileSize(const std::string& path) {
  if (KindOfFile(path) != FileKind::Regular) return -1;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(fs::path(path), ec);
  if (ec || size > static_cast<std::uintmax_t>(INT64_MAX)) return -1;
  return static_cast<std::int64_t>(size);
}

}  // namespace tavolin
