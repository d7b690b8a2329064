#include "sim/BootLoader.h"

#include <vector>

namespace tavolin::sim {

namespace {
constexpr std::uint8_t kProbe = 0xF9;
constexpr int kHandshakeBits = 250;
constexpr int kReplyBits = 250;
constexpr int kVersionBits = 8;
constexpr std::uint32_t kHubLongs = kHubRamBytes / 4;
}  // namespace

void BootLoader::Start(std::int64_t atUs) {
  record_ = BootRecord{};
  state_ = State::Starting;
  nextHostWaitMs_ = 0;
  deadlineUs_ = atUs + Us(options_.startupMs);
}

void BootLoader::LengthenHostWait(int waitMs) {
  if (state_ == State::Starting) nextHostWaitMs_ = waitMs;
}

void BootLoader::StartListening(std::int64_t atUs) {
  record_ = BootRecord{};
  record_.listening = true;
  state_ = State::WaitCalibration;
  deadlineUs_ = atUs + Us(nextHostWaitMs_ > 0 ? nextHostWaitMs_ : options_.hostWaitMs);
  nextHostWaitMs_ = 0;
}

bool BootLoader::InHandshake() const {
  return state_ == State::WaitCalibration || state_ == State::HandshakeBits ||
         state_ == State::Reply;
}

void BootLoader::Advance(std::int64_t nowUs) {
  if (state_ == State::Starting && nowUs >= deadlineUs_) {
    const std::int64_t listenAt = deadlineUs_;
    StartListening(listenAt);
  }
  if (state_ == State::Idle || state_ == State::Starting || nowUs <= deadlineUs_) return;
  switch (state_) {
    case State::WaitCalibration:
      GiveUp("no host within the wait after reset", deadlineUs_);
      break;
    case State::HandshakeBits:
      GiveUp("handshake bits too slow", deadlineUs_);
      break;
    case State::Reply:
      GiveUp("no probe for a reply bit", deadlineUs_);
      break;
    case State::Longs:
      GiveUp("a long did not arrive in time", deadlineUs_);
      break;
    case State::Answer:
      GiveUp("no probe for an answer", deadlineUs_);
      break;
    default:
      break;
  }
}

void BootLoader::OnByte(std::uint8_t byte, std::int64_t atUs) {
  Advance(atUs);
  switch (state_) {
    case State::Idle:
    case State::Starting:
      return;
    case State::WaitCalibration:
      if (byte != kProbe) {
        GiveUp("first byte is no calibration 0xF9", atUs);
        return;
      }
      lfsr_ = Lfsr();
      bitCount_ = 0;
      state_ = State::HandshakeBits;
      deadlineUs_ = atUs + Us(options_.handshakeBudgetMs);
      return;
    case State::HandshakeBits:
    case State::Longs: {
      std::vector<int> bits;
      if (!DecodePulses(byte, bits)) {
        GiveUp("a byte without valid pulses", atUs);
        return;
      }
      for (int bit : bits) {
        OnPulseBit(bit, atUs);
        if (state_ != State::HandshakeBits && state_ != State::Longs) return;
      }
      return;
    }
    case State::Reply: {
      if (byte != kProbe) return;
      const int index = replyIndex_++;
      deadlineUs_ = atUs + Us(options_.replyBitMs);
      int bit = 0;
      if (index < kReplyBits) {
        bit = lfsr_.Next();
        if (options_.fault == BootFault::WrongReplyBit && index == options_.faultBit) bit ^= 1;
      } else {
        bit = (options_.version >> (index - kReplyBits)) & 1;
      }
      const bool skip =
          options_.fault == BootFault::MissingVersionBit && index >= kReplyBits + options_.faultBit;
      if (!skip) {
        if (index == 0 && options_.fault == BootFault::GarbageBeforeAnswer &&
            options_.faultStage == BootStage::Handshake) {
          chip_.Send({options_.garbageByte}, atUs);
        }
        chip_.Send({static_cast<std::uint8_t>(0xFE | bit)}, atUs);
        ++record_.replyBitsSent;
      }
      if (replyIndex_ == kReplyBits + kVersionBits) {
        state_ = State::Longs;
        longValue_ = 0;
        longBits_ = 0;
        deadlineUs_ = atUs + Us(options_.longMs);
      }
      return;
    }
    case State::Answer:
      if (byte != kProbe || atUs < busyUntilUs_) return;  // busy: probes are not seen
      if (!aligned_) {
        aligned_ = true;
        deadlineUs_ = atUs + Us(options_.answerWaitMs);
        return;
      }
      Answer(atUs);
      return;
  }
}

void BootLoader::OnPulseBit(int bit, std::int64_t atUs) {
  if (state_ == State::HandshakeBits) {
    if (bit != lfsr_.Next()) {
      GiveUp("wrong handshake bit " + std::to_string(bitCount_), atUs);
      return;
    }
    if (++bitCount_ == kHandshakeBits) {
      record_.handshakeOk = true;
      if (options_.fault == BootFault::NoAnswer && options_.faultStage == BootStage::Handshake) {
        state_ = State::Idle;
        record_.gaveUp = "no answer (fault)";
        return;
      }
      state_ = State::Reply;
      replyIndex_ = 0;
      deadlineUs_ = atUs + Us(options_.replyBitMs);
    }
    return;
  }
  longValue_ |= static_cast<std::uint32_t>(bit) << longBits_;
  if (++longBits_ == 32) {
    const std::uint32_t value = longValue_;
    longValue_ = 0;
    longBits_ = 0;
    deadlineUs_ = atUs + Us(options_.longMs);
    OnLong(value, atUs);
  }
}

void BootLoader::OnLong(std::uint32_t value, std::int64_t atUs) {
  if (!record_.command) {
    record_.command = value;
    if (value == 0 || value >= 4) ShutDown("command " + std::to_string(value), atUs);
    return;
  }
  if (!record_.longCount) {
    record_.longCount = value;
    ram_.fill(0);
    if (value == 0) BeginAnswer(BootStage::Checksum, atUs);
    return;
  }
  const std::uint32_t index = record_.longsReceived++;
  if (index < kHubLongs) {
    for (int i = 0; i < 4; ++i) ram_[index * 4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  if (record_.longsReceived == *record_.longCount) BeginAnswer(BootStage::Checksum, atUs);
}

void BootLoader::BeginAnswer(BootStage stage, std::int64_t atUs) {
  if (stage == BootStage::Checksum) {
    AddStackFrame(ram_);
    record_.checksumOk = RamChecksum(ram_) == 0 && options_.fault != BootFault::BadChecksum;
  }
  stage_ = stage;
  const int busyMs = stage == BootStage::Checksum  ? options_.checksumBusyMs
                     : stage == BootStage::Program ? options_.programBusyMs
                                                   : options_.verifyBusyMs;
  busyUntilUs_ = atUs + Us(busyMs);
  aligned_ = false;
  deadlineUs_ = busyUntilUs_ + Us(options_.answerWaitMs);
  state_ = State::Answer;
  if (options_.fault == BootFault::NoAnswer && options_.faultStage == stage) {
    state_ = State::Idle;
    record_.gaveUp = "no answer (fault)";
  }
}

void BootLoader::Answer(std::int64_t atUs) {
  bool ok = false;
  switch (stage_) {
    case BootStage::Handshake:
    case BootStage::Checksum:
      ok = *record_.checksumOk;
      break;
    case BootStage::Program:
      eeprom_ = ram_;
      ok = options_.fault != BootFault::EepromWriteError;
      record_.programOk = ok;
      break;
    case BootStage::Verify:
      ok = eeprom_ == ram_ && options_.fault != BootFault::EepromVerifyError;
      record_.verifyOk = ok;
      break;
  }
  if (options_.fault == BootFault::GarbageBeforeAnswer && options_.faultStage == stage_) {
    chip_.Send({options_.garbageByte}, atUs);
  }
  chip_.Send({static_cast<std::uint8_t>(ok ? 0xFE : 0xFF)}, atUs);
  AfterAnswer(ok, atUs);
}

void BootLoader::AfterAnswer(bool ok, std::int64_t atUs) {
  const std::uint32_t command = *record_.command;
  if (!ok) {
    ShutDown(stage_ == BootStage::Checksum  ? "checksum error"
             : stage_ == BootStage::Program ? "EEPROM write error"
                                            : "EEPROM verify error",
             atUs);
    return;
  }
  const bool loadDone =
      (stage_ == BootStage::Checksum && command == 1) || stage_ == BootStage::Verify;
  if (!loadDone) {
    if (stage_ == BootStage::Program) eepromProgrammed_ = true;
    BeginAnswer(stage_ == BootStage::Checksum ? BootStage::Program : BootStage::Verify, atUs);
    return;
  }
  if (command == 2) {
    ShutDown("EEPROM programmed", atUs);
  } else if (!IsRunnable(ram_)) {
    ShutDown("word 6 of the image is not 0x0010", atUs);
  } else {
    state_ = State::Idle;
    record_.ran = true;
    chip_.Note("boot loader: image loaded, running", atUs);
    chip_.Run(firmware_, atUs);
  }
}

void BootLoader::GiveUp(const std::string& why, std::int64_t atUs) {
  state_ = State::Idle;
  record_.gaveUp = why;
  const bool bootable = options_.eepromHoldsFirmware ||
                        (eepromProgrammed_ && RamChecksum(eeprom_) == 0 && IsRunnable(eeprom_));
  chip_.Note("boot loader gave up: " + why, atUs);
  if (bootable) {
    record_.bootedFromEeprom = true;
    chip_.Run(firmware_, atUs);
  } else {
    chip_.Run(Personality::Off, atUs);
  }
}

void BootLoader::ShutDown(const std::string& why, std::int64_t atUs) {
  state_ = State::Idle;
  record_.shutDown = true;
  chip_.Note("boot loader shut down: " + why, atUs);
  chip_.Run(Personality::Off, atUs);
}

}  // namespace tavolin::sim
