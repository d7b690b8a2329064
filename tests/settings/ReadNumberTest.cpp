// The atoi- and atof-like readers of settings values and the port number (arbitrary texts against
// the C library are the settings fuzzer's).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "settings/ReadNumber.h"

namespace tavolin {
namespace {

TEST(ReadDecimal, ReadsLikeAtoi) {
  const std::pair<const char*, int> cases[] = {
      {"3", 3},
      {"  42", 42},
      {"\t-7x", -7},
      {"+5", 5},
      {"3 ;old", 3},
      {"", 0},
      {"abc", 0},
      {"- 3", 0},
      {"--3", 0},
      {"12abc34", 12},
      {"007", 7},
      {"2147483647", 2147483647},
      {"99999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadDecimal(text), value) << '"' << text << '"';
}

// The C library is the judge (tests run in the "C" locale): the same value, the same sign of
// zero, NaN for NaN.  atof is strtod without its error report; strtod is asked because the old
// Windows runtime's atof predates hexadecimal and infinity, while its strtod does not.
void ExpectSameAsAtof(const std::string& text) {
  const double ours = ReadFloat(text);
  char* end = nullptr;
  double theirs = std::strtod(text.c_str(), &end);
  // Where nothing converts the result is 0; one runtime hands back -0 for a lone sign.
  if (end == text.c_str()) theirs = 0.0;
  if (std::isnan(theirs)) {
    EXPECT_TRUE(std::isnan(ours)) << '"' << text << '"';
    return;
  }
  EXPECT_EQ(ours, theirs) << '"' << text << '"';
  EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << '"' << text << '"';
}

TEST(ReadFloat, ReadsWhatAtofReads) {
  const char* const cases[] = {
      // decimal
      "1.5", "  2", "-0.25", "+3.", ".5", "1e1", "2.5E-1", "1.5abc", "1,5", "007.50", "1e", "1e+",
      "1e-", "1e+x", "1.e3", ".e3", ".", "-.", "+.5", "5.", "-0", "-0.0", "0e0",
      // not numbers
      "abc", "", "-", "--1", "+-1", "-+1", "e5", " - 1",
      // blanks the C library skips, and those it does not
      "\t\n7", "\v\f\r8",
      "\xA0\x39",  // a no-break space, then 9
      // hexadecimal
      "0x10", "0X1p3", "0x1.8p1", "0x.8", "0x1P-2", "0x1p", "0x1p+", "0xg", "0x", "0x.", "0x.p1",
      "-0x10", "0x-1", "0x+1", "0xinf", "0xnan", "0x1e2", "0xABCdef", "0x1.fffffffffffff", "00x10",
      "0x0x1",
      // infinity and NaN in their spellings
      "inf", "-inf", "INF", "Infinity", "infinit", "infx", "in", "nan", "-NaN", "nan(123)", "nan(",
      "na", "+inf",
      // beyond the range of double
      "1e400", "-1e400", "1e-400", "-1e-400", "0x1p2000", "0x1p-2000", "4.9e-324", "2e-320",
      "1.7976931348623157e308", "1.7976931348623159e308", "0.0000001e400", "1000e-400",
      "123456789012345678901234567890", "0.1", "0.30000000000000004"};
  for (const char* text : cases) ExpectSameAsAtof(text);
}

}  // namespace
}  // namespace tavolin
