// The console of the command-line upload mode: standard output and standard error.
#pragma once

#include <string_view>

namespace tavolin {

class Console {
 public:
  virtual ~Console() = default;
  virtual void Out(std::string_view text) = 0;
  virtual void Err(std::string_view text) = 0;
  // Whether standard error is a terminal (a progress line may then be drawn there).
  virtual bool ErrIsTerminal() = 0;
};

}  // namespace tavolin
