// Opening the files that the chip or a dialog names: images, text and object files, files for the
// binary transfer, the prepared file, the settings file, and the files the program writes.
//
// Only regular files are read.  A FIFO, a device or a folder counts as a file that cannot be
// opened: opening a FIFO waits for a writer, and /dev/zero or a terminal never ends, so either
// would freeze the window on a name the chip sent.  Writing goes to an existing regular file or
// to a new one, never into a FIFO or a device; a name that leads nowhere (a missing folder) fails
// at the open.  A file the user keeps (the settings) is replaced in one step, never rewritten in
// place.
//
// The kind of the file is looked up with std::filesystem before the open (following symbolic
// links), so this stays standard C++ on every platform.  Between the look-up and the open someone
// could replace the file with a FIFO; that needs a local user racing the program on purpose, and
// the worst outcome is the wait the check avoids in every ordinary case, so no OS-specific open
// (O_NONBLOCK, then fstat) is worth the platform split here.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace tavolin {

enum class FileKind {
  Missing,  // nothing there, or the name cannot be looked up
  Regular,
  Folder,
  Other,  // FIFO, device, socket
};

FileKind KindOfFile(const std::string& path);

// Opens path for binary reading when it is a regular file; false (and in closed) otherwise.
bool OpenRegularFile(const std::string& path, std::ifstream& in);

// Creates or truncates path for binary writing, unless something other than a regular file is
// there already; false when it was not opened.
bool CreateRegularFile(const std::string& path, std::ofstream& out);

// Replaces the file at path with bytes in one step: they go into a new file beside it (path with
// kNewFileSuffix), which then takes the old file's place by a rename, so that a crash, a kill or a
// full disk leaves either the old file or the new one whole, never an empty or cut one.  The new
// file gets the old one's permissions.  A link to a regular file is followed and the file it leads
// to is replaced; anything else that is not a regular file (a folder, a FIFO, a device, a link
// that leads nowhere) is left alone.  Empty on success, otherwise the reason, worded for the user;
// the old file is then untouched.
std::string ReplaceFileContents(const std::string& path, std::string_view bytes);
inline constexpr std::string_view kNewFileSuffix = ".new";
inline constexpr std::string_view kNotARegularFile = "not a regular file";

// path made absolute against the current folder, for messages; path itself when that fails.
std::string AbsolutePath(const std::string& path);

// The size of a regular file; -1 when path is no regular file or its size cannot be read.
std::int64_t RegularFileSize(const std::string& path);

}  // namespace tavolin
