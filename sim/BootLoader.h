// The Propeller 1 ROM boot loader, as the host sees it over the serial link.
//
// Principles of operation.  After a reset the chip needs kStartupMs before the ROM listens; it
// then waits hostWaitMs for the host's first byte, the calibration 0xF9.  One budget
// (handshakeBudgetMs from that byte) covers the 250 handshake bits, compared against the LFSR
// from 0x50.  The chip then answers every 0xF9 probe of the host with one reply bit (0xFE = 0,
// 0xFF = 1; other bytes get no answer): the next 250 LFSR bits, then the 8 version bits, LSB first;
// a probe must come within replyBitMs.  Three longs follow in pulse coding (see BootWire.h):
// command, count, then count longs into hub RAM from 0, each within longMs.  Command 0 or >= 4
// shuts the chip down; 1 to 3 are checked (PropImage.h), answered after a busy period, and 2 and
// 3 then program and verify the EEPROM, each answer again after its busy period.  While busy the
// chip ignores probes; afterwards it swallows one probe to align and answers the next; no probe
// for answerWaitMs and it gives up.  Answers are 0xFE for good and 0xFF for an error.
//
// Giving up (a wrong bit, a host too slow, garbled pulses) is silent: the chip boots from its
// EEPROM, which starts the firmware when the EEPROM holds it, and otherwise shuts down.  A load
// that runs starts the firmware (the sim does not execute Propeller code: the firmware stands for
// whatever was loaded), when word 6 of the image is 0x0010; otherwise the chip shuts down after
// answering "checksum OK".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/BootWire.h"
#include "sim/ChipContext.h"
#include "sim/PropImage.h"

namespace tavolin::sim {

// Faults the boot loader can be asked to show.
enum class BootFault {
  None,
  WrongReplyBit,        // reply bit faultBit (0..249) is inverted
  MissingVersionBit,    // from version bit faultBit (0..7) on the chip answers no more
  NoAnswer,             // the answer at faultStage never comes (Handshake: no reply bit at all)
  BadChecksum,          // the checksum answer is 1 whatever the image
  GarbageBeforeAnswer,  // garbageByte is sent right before the answer at faultStage
  EepromWriteError,     // the programming answer is 1
  EepromVerifyError,    // the verify answer is 1
};

enum class BootStage { Handshake, Checksum, Program, Verify };

struct BootOptions {
  // Timing (the ROM runs on its RC clock; these are the nominal values).
  int startupMs = 50;
  int hostWaitMs = 100;
  // The wait for the host's first byte after a reset by opening the port (0: hostWaitMs).  On a
  // link without modem lines the open stands in for the reset pulse, and the host's own pulses
  // that follow it are not seen, so the ROM must keep listening until the host's handshake.
  int openWaitMs = 0;
  int handshakeBudgetMs = 150;
  int replyBitMs = 100;
  int longMs = 100;
  int checksumBusyMs = 90;
  int programBusyMs = 3400;
  int verifyBusyMs = 1300;
  int answerWaitMs = 100;
  std::uint8_t version = 1;
  // True: the EEPROM holds the firmware from the start, so a boot from EEPROM runs it.
  bool eepromHoldsFirmware = false;
  BootFault fault = BootFault::None;
  int faultBit = 249;
  BootStage faultStage = BootStage::Handshake;
  std::uint8_t garbageByte = 0x00;
};

// What the last boot attempt did, for tests and the tool's notes.
struct BootRecord {
  bool listening = false;
  bool handshakeOk = false;
  int replyBitsSent = 0;  // reply and version bits
  std::optional<std::uint32_t> command;
  std::optional<std::uint32_t> longCount;
  std::uint32_t longsReceived = 0;
  std::optional<bool> checksumOk;
  std::optional<bool> programOk;
  std::optional<bool> verifyOk;
  bool ran = false;
  bool shutDown = false;
  bool bootedFromEeprom = false;
  std::string gaveUp;  // why the chip gave up, empty when it did not
};

class BootLoader : public ChipProgram {
 public:
  BootLoader(ChipContext& chip, const BootOptions& options, Personality firmware)
      : chip_(chip), options_(options), firmware_(firmware) {}

  // A reset: the ROM listens from atUs + startupMs on.
  void Start(std::int64_t atUs) override;
  // Listens from atUs at once (the chip was reset by a handshake on a link without modem lines).
  void StartListening(std::int64_t atUs);
  // After Start: the coming wait for the host is waitMs instead of hostWaitMs (a reset by opening
  // the port).
  void LengthenHostWait(int waitMs);
  void OnByte(std::uint8_t byte, std::int64_t atUs) override;
  void Advance(std::int64_t nowUs) override;

  // True while the ROM listens for a handshake or takes part in one.
  bool InHandshake() const;
  const BootRecord& record() const { return record_; }
  const HubRam& ram() const { return ram_; }
  const HubRam& eeprom() const { return eeprom_; }
  BootOptions& options() { return options_; }

 private:
  enum class State { Idle, Starting, WaitCalibration, HandshakeBits, Reply, Longs, Answer };

  void GiveUp(const std::string& why, std::int64_t atUs);
  void ShutDown(const std::string& why, std::int64_t atUs);
  void OnPulseBit(int bit, std::int64_t atUs);
  void OnLong(std::uint32_t value, std::int64_t atUs);
  void BeginAnswer(BootStage stage, std::int64_t atUs);
  void Answer(std::int64_t atUs);
  void AfterAnswer(bool ok, std::int64_t atUs);
  std::int64_t Us(int ms) const { return static_cast<std::int64_t>(ms) * 1000; }

  ChipContext& chip_;
  BootOptions options_;
  Personality firmware_;
  State state_ = State::Idle;
  std::int64_t deadlineUs_ = 0;
  int nextHostWaitMs_ = 0;  // 0: hostWaitMs
  Lfsr lfsr_;
  int bitCount_ = 0;
  int replyIndex_ = 0;
  std::uint32_t longValue_ = 0;
  int longBits_ = 0;
  BootStage stage_ = BootStage::Checksum;
  std::int64_t busyUntilUs_ = 0;
  bool aligned_ = false;
  bool eepromProgrammed_ = false;
  BootRecord record_;
  HubRam ram_{};
  HubRam eeprom_{};
};

}  // namespace tavolin::sim
