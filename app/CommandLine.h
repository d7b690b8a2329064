// The command line: up to three parameters.
//
//   (none)                       windowed terminal, settings from "Tavolin2.ini"
//   settings-file                windowed terminal, settings from settings-file
//   settings-file -A image       the same, then Autoload set to image
//   image -L port-number         console upload of image on COM port-number, no window
//
// From a raw command line (one string, as a Windows program receives it) the parameters are
// separated by blanks; a parameter that begins with a double quote runs to the next double quote,
// and the quotes are dropped.  On POSIX the shell has already split and unquoted the words:
// argv[1], argv[2] and argv[3] are the three parameters exactly as given (a word may contain
// blanks, so `tavolin "my settings.ini"` names one file), and words after the third are ignored, as
// they are in the raw form.  Missing parameters read as empty in both forms.
#pragma once

#include <string>
#include <string_view>

#include "settings/ReadNumber.h"  // ReadDecimal reads the port number

namespace tavolin {

inline constexpr std::string_view kOptionConsoleUpload = "-L";
inline constexpr std::string_view kOptionAutoload = "-A";

struct CommandLine {
  std::string first;
  std::string second;
  std::string third;
};

CommandLine ParseCommandLine(std::string_view raw);
CommandLine CommandLineFromArgv(int argc, const char* const* argv);

}  // namespace tavolin
