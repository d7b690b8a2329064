// The Propeller 2 ROM monitor as far as the host's monitor upload uses it: lines of hexadecimal
// memory data "E80:00 01 02 ..." (address, colon, bytes separated by blanks) store bytes from the
// address on; "0+E80" (a range and the address to start) ends the upload.  Lines end with CR or
// LF; a line that stays without end for lineQuietMs is taken as complete, since the closing
// "0+E80" has no line end after it.  A line that cannot be read is counted and skipped, nothing
// it holds is stored.  On the closing command the monitor can answer with a summary line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/ChipContext.h"

namespace tavolin::sim {

struct MonitorOptions {
  int lineQuietMs = 50;
  bool reportOnGo = true;  // answer the closing command with a summary line
};

class P2Monitor : public ChipProgram {
 public:
  P2Monitor(ChipContext& chip, const MonitorOptions& options) : chip_(chip), options_(options) {}

  void Start(std::int64_t atUs) override;
  void OnByte(std::uint8_t byte, std::int64_t atUs) override;
  void Advance(std::int64_t nowUs) override;

  const std::map<std::uint32_t, std::uint8_t>& memory() const { return memory_; }
  // count bytes from address (missing ones as 0).
  std::vector<std::uint8_t> Bytes(std::uint32_t address, std::size_t count) const;
  std::optional<std::uint32_t> goAddress() const { return go_; }
  int dataLines() const { return dataLines_; }
  int badLines() const { return badLines_; }
  std::string Summary() const;

 private:
  void TakeLine(std::int64_t atUs);

  ChipContext& chip_;
  MonitorOptions options_;
  std::string line_;
  std::int64_t lastByteUs_ = 0;
  std::map<std::uint32_t, std::uint8_t> memory_;
  std::optional<std::uint32_t> go_;
  int dataLines_ = 0;
  int badLines_ = 0;
};

}  // namespace tavolin::sim
