#include "sim/TransferPeer.h"

#include <algorithm>

#include "sim/DisplayBytes.h"

namespace tavolin::sim {

void TransferPeer::Start(std::int64_t atUs) {
  if (options_.requestName.empty()) {
    Expect(atUs, 0);
    return;
  }
  DisplayBytes out;
  out.Clear().Text(options_.requestName).HostRequest('f', options_.requestName.size());
  chip_.Send(out.bytes, atUs);
  Expect(atUs, 0);
}

void TransferPeer::Expect(std::int64_t atUs, int sizeWaitMs) {
  state_ = State::WaitSize;
  sizeBytes_.clear();
  data_.clear();
  size_ = 0;
  blocks_ = 0;
  goAheads_ = 0;
  deadlineUs_ = sizeWaitMs > 0 ? atUs + std::int64_t{sizeWaitMs} * 1000 : 0;
}

void TransferPeer::OnByte(std::uint8_t byte, std::int64_t atUs) {
  Advance(atUs);
  if (!Active()) {
    if (!options_.requestName.empty()) {
      if (byte == 13) Start(atUs);
      return;
    }
    Expect(atUs, 0);  // passive: a new size begins the next file
  }
  if (state_ == State::WaitSize) {
    sizeBytes_.push_back(byte);
    if (sizeBytes_.size() < 4) return;
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) raw |= std::uint32_t{sizeBytes_[i]} << (8 * i);
    size_ = static_cast<std::int32_t>(raw);
    chip_.Note("transfer: size " + std::to_string(size_), atUs);
    if (size_ <= 0) {
      Finish(State::Done, atUs);
      return;
    }
    state_ = State::WaitBlock;
    GoAhead(atUs);
    return;
  }
  data_.push_back(byte);
  deadlineUs_ = atUs + std::int64_t{options_.blockWaitMs} * 1000;
  if (data_.size() < blockEnd_) return;
  ++blocks_;
  if (data_.size() >= static_cast<std::size_t>(size_)) {
    Finish(State::Done, atUs);
  } else {
    GoAhead(atUs);
  }
}

void TransferPeer::GoAhead(std::int64_t atUs) {
  if (options_.stopAfterBlocks >= 0 && blocks_ >= options_.stopAfterBlocks) {
    Finish(State::Stopped, atUs);
    return;
  }
  blockEnd_ = std::min<std::size_t>(data_.size() + 16, static_cast<std::size_t>(size_));
  chip_.Send({options_.goAhead}, atUs + std::int64_t{options_.goAheadDelayMs} * 1000);
  ++goAheads_;
  deadlineUs_ = atUs + std::int64_t{options_.blockWaitMs} * 1000;
}

void TransferPeer::Advance(std::int64_t nowUs) {
  if (Active() && deadlineUs_ != 0 && nowUs > deadlineUs_) Finish(State::Abandoned, deadlineUs_);
}

void TransferPeer::Finish(State s, std::int64_t atUs) {
  state_ = s;
  deadlineUs_ = 0;
  chip_.Note("transfer: " + Summary(), atUs);
  if (options_.requestName.empty()) return;
  DisplayBytes out;
  out.Text(Summary()).Text("\r\n");
  chip_.Send(out.bytes, atUs);
}

std::string TransferPeer::Summary() const {
  unsigned sum = 0;
  for (std::uint8_t b : data_) sum += b;
  std::string s = "received " + std::to_string(data_.size()) + " of " + std::to_string(size_) +
                  " bytes in " + std::to_string(blocks_) + " blocks, sum " + std::to_string(sum);
  if (state_ == State::Stopped) s += ", stopped answering";
  if (state_ == State::Abandoned) s += ", a block did not come";
  return s;
}

}  // namespace tavolin::sim
