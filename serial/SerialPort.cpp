#include "serial/SerialPort.h"

#include "terminal/TextOutput.h"

namespace tavolin {

RateSetting RateForIndex(int rateIndex) {
  static constexpr int kRates[8] = {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200};
  if (rateIndex < 0) return {115200, StopBits::Two};
  if (rateIndex > 7) return {115200, StopBits::One};
  return {kRates[rateIndex], rateIndex == 0 ? StopBits::Two : StopBits::One};
}

SerialPort::SerialPort(SerialSystem& system, Clock& clock) : system_(system), clock_(clock) {}

SerialPort::~SerialPort() = default;

void SerialPort::Status(std::string_view line) {
  if (status_ != nullptr) status_->PrintLine(line);
}

bool SerialPort::Open(int portNumber, int rateIndex, int ft232r, bool quiet) {
  if (device_ != nullptr) return true;
  const RateSetting rate = RateForIndex(rateIndex);
  SerialOpenOptions options;
  options.bitsPerSecond = rate.bitsPerSecond;
  options.stopBits = rate.stopBits;
  options.dtr = (ft232r == 0);
  options.rts = false;
  options.quiet = quiet;
  device_ = system_.Open(portNumber, options);
  return device_ != nullptr;
}

void SerialPort::SetRate(int rateIndex) {
  if (device_ == nullptr) return;
  const RateSetting rate = RateForIndex(rateIndex);
  device_->Configure(rate.bitsPerSecond, rate.stopBits);
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
  const long written = device_ != nullptr ? device_->Write(queue_.data(), queueCount_) : -1;
  if (written < 0) {
    Status(kUnableToWrite);
  } else if (static_cast<std::size_t>(written) < queueCount_) {
    Status(kTransmitStall);
  }
  queueCount_ = 0;  // what was not written is dropped, never retried
}

int SerialPort::FillReceive() {
  readPosition_ = 0;
  fillCount_ = 0;
  const long got =
      device_ != nullptr ? device_->Read(receiveBlock_.data(), receiveBlock_.size()) : -1;
  if (got < 0) {
    Status(kUnableToRead);
    return 0;
  }
  fillCount_ = static_cast<std::size_t>(got);
  return static_cast<int>(fillCount_);
}

int SerialPort::WriteRaw(const std::uint8_t* bytes, std::size_t n) {
  if (device_ == nullptr || n == 0) return 0;
  const long written = device_->Write(bytes, n);
  return written < 0 ? 0 : static_cast<int>(written);
}

int SerialPort::ReadRaw(std::uint8_t* buffer) {
  if (device_ == nullptr) return 0;
  const long got = device_->Read(buffer, kRawReadSize);
  return got < 0 ? 0 : static_cast<int>(got);
}

bool SerialPort::ReadByte(std::uint8_t& out) {
  if (device_ == nullptr) return false;
  return device_->Read(&out, 1) == 1;
}

}  // namespace tavolin
