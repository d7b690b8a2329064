#include "sim/P2Monitor.h"

#include <cstdio>

namespace tavolin::sim {

namespace {

// Parses upper- or lower-case hex digits; false for an empty or too long field or another char.
bool ParseHex(const std::string& text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char ch : text) {
    int digit = -1;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

std::string Hex(std::uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", v);
  return buffer;
}

}  // namespace

void P2Monitor::Start(std::int64_t /*atUs*/) {
  line_.clear();
}

void P2Monitor::OnByte(std::uint8_t byte, std::int64_t atUs) {
  Advance(atUs);
  lastByteUs_ = atUs;
  if (byte == '\r' || byte == '\n') {
    TakeLine(atUs);
    return;
  }
  if (line_.size() < 4096) line_.push_back(static_cast<char>(byte));
}

void P2Monitor::Advance(std::int64_t nowUs) {
  if (!line_.empty() && nowUs - lastByteUs_ > std::int64_t{options_.lineQuietMs} * 1000) {
    TakeLine(lastByteUs_ + std::int64_t{options_.lineQuietMs} * 1000);
  }
}

void P2Monitor::TakeLine(std::int64_t atUs) {
  std::string line;
  line.swap(line_);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.empty()) return;
  const auto colon = line.find(':');
  const auto plus = line.find('+');
  if (colon != std::string::npos) {
    std::uint32_t address = 0;
    if (!ParseHex(line.substr(0, colon), address)) {
      ++badLines_;
      return;
    }
    std::vector<std::uint8_t> bytes;
    std::size_t pos = colon + 1;
    while (pos < line.size()) {
      if (line[pos] == ' ') {
        ++pos;
        continue;
      }
      const auto end = line.find(' ', pos);
      const std::string field = line.substr(pos, end == std::string::npos ? end : end - pos);
      std::uint32_t value = 0;
      if (field.size() > 2 || !ParseHex(field, value)) {
        ++badLines_;
        return;
      }
      bytes.push_back(static_cast<std::uint8_t>(value));
      pos = end == std::string::npos ? line.size() : end;
    }
    for (std::uint8_t b : bytes) memory_[address++] = b;
    ++dataLines_;
    return;
  }
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  if (plus != std::string::npos && ParseHex(line.substr(0, plus), from) &&
      ParseHex(line.substr(plus + 1), to)) {
    go_ = to;
    chip_.Note("monitor: " + Summary(), atUs);
    if (options_.reportOnGo) {
      const std::string answer = Summary() + "\r\n";
      chip_.Send({answer.begin(), answer.end()}, atUs);
    }
    return;
  }
  ++badLines_;
}

std::vector<std::uint8_t> P2Monitor::Bytes(std::uint32_t address, std::size_t count) const {
  std::vector<std::uint8_t> out(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    auto it = memory_.find(address + static_cast<std::uint32_t>(i));
    if (it != memory_.end()) out[i] = it->second;
  }
  return out;
}

std::string P2Monitor::Summary() const {
  std::string s = "P2 monitor: " + std::to_string(memory_.size()) + " bytes";
  if (!memory_.empty()) {
    s += " at " + Hex(memory_.begin()->first) + ".." + Hex(memory_.rbegin()->first);
  }
  s += " in " + std::to_string(dataLines_) + " lines";
  if (badLines_ > 0) s += ", " + std::to_string(badLines_) + " unreadable";
  if (go_) s += ", go " + Hex(*go_);
  return s;
}

}  // namespace tavolin::sim
