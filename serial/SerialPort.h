// SerialPort: the program's one link to the chip.
//
// Principles of operation.  One COM port, opened by its number, always 8 data bits, no parity and
// no flow control.  Reads never wait: the main loop polls the port every cycle.  Three groups:
//   - port management: Open, SetRate, PulseReset, PurgeInput, Close (the user-level open with
//     its check mark and box is app/'s Connect);
//   - the boot loader's buffered transmitter (QueueByte, Flush: whole blocks of up to 256 bytes)
//     and receive block (FillReceive, TakeReceived); their faults become status lines;
//   - raw transfer (WriteRaw, ReadRaw, ReadByte), which reports nothing.
// Operations on a closed port are not refused: they fail the way the device calls would, and the
// rules above apply.  Every wait goes through the Clock.
//
// A lost device.  A read or write that fails (the device reports -1: a hang-up, an unplugged
// adapter, any error other than "nothing yet") means the device is gone.  At that first sign the
// port closes itself and is marked lost; from then on every operation quietly does nothing (no
// "Unable to write" per poll) until the next Open or Close.  The port does not tell the user: its
// callers stop their work when they see Lost(), and the program reports the loss once
// (TakeLoss).  The identity of the last device opened stays, so Reopen can take the same device
// back when it returns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/SerialDevice.h"
#include "terminal/ChipLink.h"

namespace tavolin {

class TextOutput;

// Status lines, spelled as the user sees them.
inline constexpr std::string_view kUnableToWrite = "Unable to write";
inline constexpr std::string_view kTransmitStall = "Transmit stall on";
inline constexpr std::string_view kUnableToRead = "Unable to read";

struct RateSetting {
  int bitsPerSecond;
  StopBits stopBits;
};

// The rate index of the settings and the Baudrate menu: 0..7 for 115200 (two stop bits), 57600,
// 38400, 19200, 9600, 4800, 2400, 1200.  Any other index gives 115200, with two stop bits below 0
// and one above 7.
RateSetting RateForIndex(int rateIndex);
// A rate in bits per second: one of the index's rates framed as the index frames it, any other
// with one stop bit.
RateSetting RateForBps(int bitsPerSecond);
// The index (0..7) of a rate in bits per second, or -1 when the index has no such rate.
int IndexForBps(int bitsPerSecond);

class SerialPort final : public ChipLink {
 public:
  static constexpr std::size_t kQueueSize = 256;
  static constexpr std::size_t kReceiveBlockSize = 256;
  static constexpr std::size_t kRawReadSize = 1024;
  static constexpr int kResetPulseMs = 25;
  static constexpr int kResetSettleMs = 100;

  SerialPort(SerialSystem& system, Clock& clock);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Where the transmitter's and receiver's status lines go (nothing when null).
  void SetStatusOutput(TextOutput* output) { status_ = output; }

  // Opens COM portNumber at rateIndex; DTR on after opening when ft232r is 0, off otherwise; RTS
  // off.  Does not close a port that is already open (callers close first).  quiet: a probe
  // (the start-up scan), the backend keeps the reason for a failure to itself.
  bool Open(int portNumber, int rateIndex, int ft232r, bool quiet = false);
  // The same at a rate given in bits per second (the terminal's rates beyond the index).
  bool Open(int portNumber, RateSetting rate, int ft232r, bool quiet = false);
  bool IsOpen() const override { return device_ != nullptr; }
  // Why the last Open failed (SerialSystem::OpenFailure); empty after one that succeeded.
  const std::string& OpenFailure() const { return openFailure_; }
  // The device went away while open, and the port has not been opened or closed since.
  bool Lost() const { return lost_; }
  // True once for each loss: whoever reports the loss to the user asks this.
  bool TakeLoss();
  // The COM number of the last Open (the port's name in messages).
  int PortNumber() const { return portNumber_; }
  // Opens the device of the last successful Open again (SerialSystem::Reopen), configured as Open
  // does; false while it is not back.  Quiet, like every automatic attempt.
  bool Reopen(int rateIndex, int ft232r);
  bool Reopen(RateSetting rate, int ft232r);
  // A handle the window can watch to wake up when bytes arrive; -1 when closed or unknown.
  int ReadableHandle() const { return device_ != nullptr ? device_->ReadableHandle() : -1; }
  void SetRate(int rateIndex);
  // Any rate the device accepts; the handle, and with it DTR and RTS, stay as they are.
  void SetRate(RateSetting rate);
  // The rate the port was last opened or set at.
  RateSetting rate() const { return rate_; }
  // The chip's reset: a 25 ms pulse on RTS (useRts not 0) or DTR, 100 ms settle, input purged.
  void PulseReset(int useRts);
  void PurgeInput();
  void Close();

  // Transmit queue.
  void QueueByte(std::uint8_t byte);
  void Flush();
  std::size_t QueuedCount() const { return queueCount_; }

  // Receive block: one read of up to 256 bytes; returns the fill count.
  int FillReceive();
  bool ReceiveExhausted() const { return readPosition_ >= fillCount_; }
  std::uint8_t TakeReceived() { return receiveBlock_[readPosition_++]; }

  // Raw transfer.
  int WriteRaw(const std::uint8_t* bytes, std::size_t n) override;
  // Reads up to 1024 bytes into buffer, which must hold that many.  0 for none or a failure (a
  // failure also marks the port lost).
  int ReadRaw(std::uint8_t* buffer);
  bool ReadByte(std::uint8_t& out);

  Clock& clock() { return clock_; }

 private:
  void Status(std::string_view line);
  SerialOpenOptions OptionsFor(RateSetting rate, int ft232r, bool quiet) const;
  // The device failed: closes it and marks the port lost.
  void DeviceFailed();

  SerialSystem& system_;
  Clock& clock_;
  TextOutput* status_ = nullptr;
  std::unique_ptr<SerialDevice> device_;
  int portNumber_ = 0;
  RateSetting rate_ = RateForIndex(0);
  std::string identity_;  // of the last device opened by number
  std::string openFailure_;
  bool lost_ = false;
  bool lossReported_ = false;
  std::array<std::uint8_t, kQueueSize> queue_{};
  std::size_t queueCount_ = 0;
  std::array<std::uint8_t, kReceiveBlockSize> receiveBlock_{};
  std::size_t fillCount_ = 0;
  std::size_t readPosition_ = 0;
};

}  // namespace tavolin
