#include "platform/posix/PosixConsole.h"

#include <unistd.h>

#include <cstdio>

namespace tavolin::posix {
namespace {

// Written at once, so the lines of an upload appear while it runs, also through a pipe.
void WriteAll(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

void PosixConsole::Out(std::string_view text) {
  WriteAll(stdout, text);
}
void PosixConsole::Err(std::string_view text) {
  WriteAll(stderr, text);
}
bool PosixConsole::ErrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace tavolin::posix
