// What the program asks of the desktop outside its own window: starting another program, opening a
// document or a web page with the desktop's handler, and raising another program's window.
// Nothing here goes through a shell: names are passed as single arguments.
#pragma once

#include <string>
#include <string_view>

namespace tavolin {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Starts the program at path with no arguments, without waiting.  False when it cannot start.
  virtual bool StartProgram(const std::string& path) = 0;
  // Opens path with the desktop's default handler, working directory workDir, without waiting.
  virtual bool OpenDocument(const std::string& path, const std::string& workDir) = 0;
  // Opens a web address in the default browser, without waiting.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Brings the top-level window whose whole title is title to the front; false when none.
  virtual bool RaiseWindowTitled(std::string_view title) = 0;
  // Collects the programs started here that have ended, so none lingers as a zombie.  The main
  // loop calls it on every timer tick; it never waits.
  virtual void ReapEndedPrograms() {}
};

}  // namespace tavolin
