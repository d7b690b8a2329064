// The atoi- and atof-like readers of settings values and the port number.
#include <gtest/gtest.h>

#include <cmath>

#include "settings/ReadNumber.h"

namespace tavolin {
namespace {

TEST(ReadDecimal, ReadsLikeAtoi) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(ReadDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(ReadFloat, ReadsLikeAtof) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.5", 1.5},   {"  2", 2.0},     {"-0.25", -0.25}, {"+3.", 3.0},   {".5", 0.5},
      {"1e1", 10.0},  {"2.5E-1", 0.25}, {"1.5abc", 1.5},  {"abc", 0.0},   {"", 0.0},
      {"-", 0.0},     {"--1", 0.0},     {"+-1", 0.0},     {"1,5", 1.0},   {"0x10", 16.0},
      {"0x1p3", 8.0}, {"0xg", 0.0},     {"1e-400", 0.0},  {"\t\n7", 7.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ReadFloat(c.text), c.value) << '"' << c.text << '"';
  EXPECT_TRUE(std::isinf(ReadFloat("1e400")));
  EXPECT_TRUE(std::isinf(ReadFloat("-inf")));
  EXPECT_TRUE(std::isnan(ReadFloat("nan")));
}

}  // namespace
}  // namespace tavolin
