#include "settings/ReadNumber.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace tavolin {
namespace {

bool IsCBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::size_t SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCBlank(text[i])) ++i;
  return i;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Whether text starts with word, in any letter case.
bool StartsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[i]) != word[i]) return false;
  }
  return true;
}

// The length of the longest prefix of text that the C library reads as an unsigned decimal or
// hexadecimal (without its "0x") number: digits with at most one point and at least one digit,
// then an exponent ("e" or, for hexadecimal, "p", an optional sign and decimal digits) when one
// follows in full.  0 when there is no digit.
std::size_t NumberLength(std::string_view text, bool hex) {
  auto digit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && AsciiLower(text[i]) == (hex ? 'p' : 'e')) {
    std::size_t k = i + 1;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    if (k < text.size() && IsDigit(text[k])) {
      while (k < text.size() && IsDigit(text[k])) ++k;
      i = k;
    }
  }
  return i;
}

// For a number from_chars found out of range: whether it is huge (true) or tiny (false).  A
// negative exponent or a mantissa without a non-zero digit before the point means tiny.
bool IsHuge(std::string_view digits, bool hex) {
  const std::size_t e = digits.find_first_of(hex ? std::string_view("pP") : "eE");
  if (e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-') return false;
  const std::string_view mantissa = digits.substr(0, e);
  for (char c : mantissa) {
    if (c == '.') break;
    if (c != '0') return true;
  }
  return e != std::string_view::npos;  // 0.000...1e400 style: a positive exponent makes it huge
}

}  // namespace

int ReadDecimal(std::string_view text) {
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturate, keep reading digits
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

double ReadFloat(std::string_view text) {
  // The text is measured here with the C library's grammar, then only the number found is
  // converted: from_chars alone would also take "inf" after "0x", a second sign, or a
  // hexadecimal number without its prefix.
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  const double sign = negative ? -1.0 : 1.0;
  if (StartsWithWord(rest, "inf")) return sign * std::numeric_limits<double>::infinity();
  if (StartsWithWord(rest, "nan")) return sign * std::numeric_limits<double>::quiet_NaN();

  std::string_view number = rest;
  std::chars_format format = std::chars_format::general;
  bool hex = false;
  if (rest.size() > 2 && rest[0] == '0' && AsciiLower(rest[1]) == 'x' &&
      NumberLength(rest.substr(2), true) > 0) {
    number = rest.substr(2);
    format = std::chars_format::hex;
    hex = true;
  }
  number = number.substr(0, NumberLength(number, hex));
  if (number.empty()) return 0.0;
  double value = 0.0;
  const auto r = std::from_chars(number.data(), number.data() + number.size(), value, format);
  if (r.ec == std::errc::result_out_of_range) {
    value = IsHuge(number, hex) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (r.ec != std::errc()) {
    value = 0.0;
  }
  return sign * value;
}

}  // namespace tavolin
