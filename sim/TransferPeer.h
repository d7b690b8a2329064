// The chip's end of the binary transfer: the host sends the file size as 4 bytes little-endian,
// then the file in blocks of 16 bytes (the last one shorter), each only after a go-ahead byte
// from the chip.  The peer gives the first go-ahead when the size is in and one after every
// complete block, and can be told to stop answering after some blocks (the host then times out).
//
// Passive (no request name): it waits for a size at any time.  With a request name it is the
// program behind the "transfer" personality: at start it asks the host for that file with a host
// request "f" (the name printed after a clear proves the request), reports the result as text,
// and asks again when Enter (13) arrives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/ChipContext.h"

namespace tavolin::sim {

struct TransferOptions {
  int stopAfterBlocks = -1;     // -1: never stop; n: no go-ahead after the n-th block (0: none)
  int goAheadDelayMs = 1;       // the firmware's time to take a block
  std::uint8_t goAhead = 0x06;  // a code the display protocol ignores
  int blockWaitMs = 5000;       // a block that does not come within this is abandoned
  std::string requestName;      // empty: passive
};

class TransferPeer : public ChipProgram {
 public:
  enum class State { Idle, WaitSize, WaitBlock, Done, Stopped, Abandoned };

  TransferPeer(ChipContext& chip, const TransferOptions& options)
      : chip_(chip), options_(options) {}

  void Start(std::int64_t atUs) override;
  void OnByte(std::uint8_t byte, std::int64_t atUs) override;
  void Advance(std::int64_t nowUs) override;
  // Waits for a size from atUs on (the display firmware's host request "f" or "a").
  void Expect(std::int64_t atUs, int sizeWaitMs);

  State state() const { return state_; }
  bool Active() const { return state_ == State::WaitSize || state_ == State::WaitBlock; }
  std::int32_t size() const { return size_; }
  const std::vector<std::uint8_t>& data() const { return data_; }
  int blocksReceived() const { return blocks_; }
  int goAheadsSent() const { return goAheads_; }
  // A one-line summary of the last transfer, for the screen.
  std::string Summary() const;
  TransferOptions& options() { return options_; }

 private:
  void GoAhead(std::int64_t atUs);
  void Finish(State s, std::int64_t atUs);

  ChipContext& chip_;
  TransferOptions options_;
  State state_ = State::Idle;
  std::vector<std::uint8_t> sizeBytes_;
  std::int32_t size_ = 0;
  std::vector<std::uint8_t> data_;
  std::size_t blockEnd_ = 0;
  int blocks_ = 0;
  int goAheads_ = 0;
  std::int64_t deadlineUs_ = 0;  // 0: none
};

}  // namespace tavolin::sim
