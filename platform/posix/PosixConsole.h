// The console of the command-line upload mode: the process's standard output and standard error.
#pragma once

#include "platform/Console.h"

namespace tavolin::posix {

class PosixConsole : public Console {
 public:
  void Out(std::string_view text) override;
  void Err(std::string_view text) override;
  bool ErrIsTerminal() override;
};

}  // namespace tavolin::posix
