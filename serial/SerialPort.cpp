#include "serial/SerialPort.h"

#include "terminal/TextOutput.h"

namespace tavolin {

RateSetting RateForIndex(int rateIndex) {
  static constexpr int kRates[8] = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200};
  if (rateIndex < 0) return {115200, StopBits::Two};
  if (rateIndex > 7) return {115200, StopBits::One};
  return {kRates[rateIndex], rateIndex == 0 ? StopBits::Two : StopBits::One};
}

int IndexForBps(int bitsPerSecond) {
  for (int i = 0; i < 8; ++i) {
    if (RateForIndex(i).bitsPerSecond == bitsPerSecond) return i;
  }
  return -1;
}

RateSetting RateForBps(int bitsPerSecond) {
  const int index = IndexForBps(bitsPerSecond);
  return index >= 0 ? RateForIndex(index) : RateSetting{bitsPerSecond, StopBits::One};
}

SerialPort::SerialPort(SerialSystem& system, Clock& clock) : system_(system), clock_(clock) {}

SerialPort::~SerialPort() = default;

void SerialPort::Status(std::string_view line) {
  if (status_ != nullptr) status_->PrintLine(line);
}

SerialOpenOptions SerialPort::OptionsFor(RateSetting rate, int ft232r, bool quiet) const {
  SerialOpenOptions options;
  options.bitsPerSecond = rate.bitsPerSecond;
  options.stopBits = rate.stopBits;
  options.dtr = (ft232r == 0);
  options.rts = false;
  options.quiet = quiet;
  return options;
}

bool SerialPort::Open(int portNumber, int rateIndex, int ft232r, bool quiet) {
  return Open(portNumber, RateForIndex(rateIndex), ft232r, quiet);
}

bool SerialPort::Open(int portNumber, RateSetting rate, int ft232r, bool quiet) {
  if (device_ != nullptr) return true;
  lost_ = false;
  device_ = system_.Open(portNumber, OptionsFor(rate, ft232r, quiet));
  if (device_ == nullptr) {
    openFailure_ = system_.OpenFailure();
    return false;
  }
  openFailure_.clear();
  rate_ = rate;
  portNumber_ = portNumber;
  identity_ = device_->Identity();
  return true;
}

bool SerialPort::Reopen(int rateIndex, int ft232r) {
  return Reopen(RateForIndex(rateIndex), ft232r);
}

bool SerialPort::Reopen(RateSetting rate, int ft232r) {
  if (device_ != nullptr) return true;
  if (identity_.empty()) return false;
  device_ = system_.Reopen(identity_, OptionsFor(rate, ft232r, true));
  if (device_ == nullptr) return false;
  rate_ = rate;
  identity_ = device_->Identity();
  lost_ = false;
  return true;
}

bool SerialPort::TakeLoss() {
  if (!lost_ || lossReported_) return false;
  lossReported_ = true;
  return true;
}

void SerialPort::DeviceFailed() {
  device_.reset();
  if (!identity_.empty()) identity_ = system_.IdentityAtLoss(identity_);
  queueCount_ = 0;
  fillCount_ = 0;
  readPosition_ = 0;
  lost_ = true;
  lossReported_ = false;
}

void SerialPort::SetRate(int rateIndex) {
  SetRate(RateForIndex(rateIndex));
}

void SerialPort::SetRate(RateSetting rate) {
  if (device_ == nullptr) return;
  device_->Configure(rate.bitsPerSecond, rate.stopBits);
  rate_ = rate;
}

void SerialPort::PulseReset(int useRts) {
  if (device_ != nullptr) {
    if (useRts != 0) {
      device_->SetRts(true);
      clock_.SleepMs(kResetPulseMs);
      device_->SetRts(false);
    } else {
      device_->SetDtr(true);
      clock_.SleepMs(kResetPulseMs);
      device_->SetDtr(false);
    }
  } else {
    clock_.SleepMs(kResetPulseMs);
  }
  clock_.SleepMs(kResetSettleMs);
  PurgeInput();
}

void SerialPort::PurgeInput() {
  if (device_ != nullptr) device_->PurgeInput();
}

void SerialPort::Close() {
  device_.reset();
  lost_ = false;
  queueCount_ = 0;
  fillCount_ = 0;
  readPosition_ = 0;
}

void SerialPort::QueueByte(std::uint8_t byte) {
  queue_[queueCount_++] = byte;
  if (queueCount_ >= kQueueSize) Flush();
}

void SerialPort::Flush() {
  if (queueCount_ == 0) return;
  if (device_ == nullptr) {
    if (!lost_) Status(kUnableToWrite);
    queueCount_ = 0;
    return;
  }
  const long written = device_->Write(queue_.data(), queueCount_);
  if (written < 0) {
    DeviceFailed();
  } else if (static_cast<std::size_t>(written) < queueCount_) {
    Status(kTransmitStall);
  }
  queueCount_ = 0;  // what was not written is dropped, never retried
}

int SerialPort::FillReceive() {
  readPosition_ = 0;
  fillCount_ = 0;
  if (device_ == nullptr) {
    if (!lost_) Status(kUnableToRead);
    return 0;
  }
  const long got = device_->Read(receiveBlock_.data(), receiveBlock_.size());
  if (got < 0) {
    DeviceFailed();
    return 0;
  }
  fillCount_ = static_cast<std::size_t>(got);
  return static_cast<int>(fillCount_);
}

int SerialPort::WriteRaw(const std::uint8_t* bytes, std::size_t n) {
  if (device_ == nullptr || n == 0) return 0;
  const long written = device_->Write(bytes, n);
  if (written < 0) {
    DeviceFailed();
    return 0;
  }
  return static_cast<int>(written);
}

int SerialPort::ReadRaw(std::uint8_t* buffer) {
  if (device_ == nullptr) return 0;
  const long got = device_->Read(buffer, kRawReadSize);
  if (got < 0) {
    DeviceFailed();
    return 0;
  }
  return static_cast<int>(got);
}

bool SerialPort::ReadByte(std::uint8_t& out) {
  if (device_ == nullptr) return false;
  const long got = device_->Read(&out, 1);
  if (got < 0) DeviceFailed();
  return got == 1;
}

}  // namespace tavolin
