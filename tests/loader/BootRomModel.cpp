#include "BootRomModel.h"

namespace tavolin::loadertest {

void BootRomModel::Reset() {
  ++resets;
  state = State::Idle;
  longs.clear();
  probesAfterImage = 0;
  lfsr_ = 0x50;
  bitIndex_ = 0;
  current_ = 0;
  longByte_ = 0;
  stage_ = 0;
}

int BootRomModel::NextBit() {
  const int bit = lfsr_ & 1;
  const int b7 = (lfsr_ >> 7) & 1, b5 = (lfsr_ >> 5) & 1, b4 = (lfsr_ >> 4) & 1,
            b1 = (lfsr_ >> 1) & 1;
  lfsr_ = static_cast<std::uint8_t>((lfsr_ << 1) | (b7 ^ b5 ^ b4 ^ b1));
  return bit;
}

std::vector<std::uint8_t> BootRomModel::OnBytes(const std::uint8_t* bytes, std::size_t n,
                                                std::int64_t nowMs) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < n; ++i) OnByte(bytes[i], nowMs, out);
  return out;
}

std::size_t BootRomModel::StageCount() const {
  return command() == 1 ? 1 : 3;
}

const BootRomModel::Answer& BootRomModel::StageAnswer() const {
  return stage_ == 0 ? checksum : stage_ == 1 ? program : verify;
}

void BootRomModel::StartStage(std::size_t stage, std::int64_t nowMs) {
  stage_ = stage;
  if (stage_ >= StageCount()) {
    state = State::Done;
    return;
  }
  readyAt_ = nowMs + StageAnswer().busyMs;
  swallow_ = true;
}

void BootRomModel::OnByte(std::uint8_t b, std::int64_t nowMs, std::vector<std::uint8_t>& out) {
  switch (state) {
    case State::Idle:
      if (b == 0xF9) {  // calibration
        state = State::Handshake;
        lfsr_ = 0x50;
        bitIndex_ = 0;
      }
      return;
    case State::Handshake:
      if ((b & 0xFE) != 0xFE || (b & 1) != NextBit()) {
        state = State::Dead;  // the ROM would boot from EEPROM and answer nothing
        return;
      }
      if (++bitIndex_ == 250) {
        state = State::Replies;
        bitIndex_ = 0;
      }
      return;
    case State::Replies: {
      if (b != 0xF9) return;
      const int index = bitIndex_++;
      if (index < 250) {
        int bit = NextBit();
        if (wrongReplyBit && *wrongReplyBit == index) bit ^= 1;
        out.push_back(static_cast<std::uint8_t>(0xFE | bit));
      } else {
        const int v = index - 250;
        if (!(silentVersionBit && *silentVersionBit == v)) {
          out.push_back(static_cast<std::uint8_t>(0xFE | ((version >> v) & 1)));
        }
      }
      if (bitIndex_ == 258) {
        state = State::Longs;
        current_ = 0;
        longByte_ = 0;
      }
      return;
    }
    case State::Longs: {
      const int shift = 3 * longByte_;
      current_ |= static_cast<std::uint32_t>(b & 1) << shift;
      current_ |= static_cast<std::uint32_t>((b >> 3) & 1) << (shift + 1);
      if (longByte_ < 10) current_ |= static_cast<std::uint32_t>((b >> 6) & 1) << (shift + 2);
      if (++longByte_ < 11) return;
      longs.push_back(current_);
      current_ = 0;
      longByte_ = 0;
      if (longs.size() == 1 && (longs[0] == 0 || longs[0] > 3)) {
        state = State::Dead;  // shut down
      } else if (longs.size() >= 2 && longs.size() == 2 + static_cast<std::size_t>(longs[1])) {
        state = State::Answers;
        StartStage(0, nowMs);
      }
      return;
    }
    case State::Answers: {
      if (b != 0xF9) return;
      ++probesAfterImage;
      if (nowMs < readyAt_) return;
      const Answer& a = StageAnswer();
      if (!a.bit) {
        StartStage(stage_ + 1, nowMs);
        return;
      }
      if (swallow_) {
        swallow_ = false;
        return;
      }
      out.insert(out.end(), a.noise.begin(), a.noise.end());
      out.push_back(static_cast<std::uint8_t>(0xFE | *a.bit));
      StartStage(stage_ + 1, nowMs);
      return;
    }
    case State::Done:
      if (b == 0xF9) ++probesAfterImage;
      return;
    case State::Dead:
      return;
  }
}

}  // namespace tavolin::loadertest
