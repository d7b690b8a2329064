// The command line in both of its forms.  A raw line (as a Windows program receives it) splits
// into at most three parameters, each a piece of the line without its quotes; the same words
// given again, each in quotes, give the same parameters; and the port number of "-L" reads as
// atoi would.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "settings/ReadNumber.h"

namespace {

using namespace tavolin;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const CommandLine line = ParseCommandLine(raw);
  for (const std::string* p : {&line.first, &line.second, &line.third}) {
    Check(p->size() <= raw.size());
    Check(raw.find(*p) != std::string_view::npos);
  }
  // Parameters that hold no quote come back unchanged from a line that quotes each of them.
  const bool quotable = line.first.find('"') == std::string::npos &&
                        line.second.find('"') == std::string::npos &&
                        line.third.find('"') == std::string::npos;
  if (quotable) {
    const std::string again =
        "\"" + line.first + "\" \"" + line.second + "\"\t\"" + line.third + "\" rest";
    const CommandLine same = ParseCommandLine(again);
    Check(same.first == line.first && same.second == line.second && same.third == line.third);
  }
  // The argv form takes the words as they stand (up to a NUL, which a word cannot hold).
  const char* argv[] = {"tavolin", line.first.c_str(), line.second.c_str(), line.third.c_str()};
  const CommandLine fromArgv = CommandLineFromArgv(4, argv);
  Check(fromArgv.first == line.first.substr(0, line.first.find('\0')));
  Check(fromArgv.third == line.third.substr(0, line.third.find('\0')));

  // A port number reads like atoi, within the 32-bit range (atoi itself is undefined beyond it).
  const std::string third(line.third.substr(0, line.third.find('\0')));
  std::size_t digits = 0;
  for (char c : third) digits += (c >= '0' && c <= '9') ? 1 : 0;
  if (digits < 9) Check(ReadDecimal(third) == std::atoi(third.c_str()));
  return 0;
}
