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

// For text that from_chars found out of range: whether it is huge (true) or tiny (false).  A
// negative exponent or a mantissa without a non-zero digit before the point means tiny.
bool IsHuge(std::string_view digits) {
  const std::size_t e = digits.find_first_of(std::string_view("eEpP"));
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
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view rest = text.substr(i);
  // from_chars takes its own minus sign; a second sign is not a number.
  if (rest.empty() || rest[0] == '-' || rest[0] == '+') return 0.0;
  double value = 0.0;
  std::chars_format format = std::chars_format::general;
  if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    const std::string_view hex = rest.substr(2);
    if (!hex.empty() && hex[0] != '-' && hex[0] != '+') {
      double hexValue = 0.0;
      const auto r =
          std::from_chars(hex.data(), hex.data() + hex.size(), hexValue, std::chars_format::hex);
      if (r.ec == std::errc() || r.ec == std::errc::result_out_of_range) {
        rest = hex;
        format = std::chars_format::hex;
      }
    }
  }
  const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
  if (r.ec == std::errc::result_out_of_range) {
    value = IsHuge(std::string_view(rest.data(), static_cast<std::size_t>(r.ptr - rest.data())))
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  } else if (r.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

}  // namespace tavolin
