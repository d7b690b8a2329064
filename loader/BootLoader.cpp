// The Propeller ROM boot protocol, PC side.
//
// The wire.  Every bit the PC sends is one serial byte whose low pulses the ROM times, so only a
// few byte values are used:
//   0xF9         the first byte calibrates the chip's pulse threshold; afterwards every 0xF9 is
//                a probe that gives the chip a slot for one reply bit;
//   0xFE | bit   one handshake bit;
//   0x92 | b0 | b1 << 3 | b2 << 6   three bits of a long (bytes 1 to 10 of an encoded long);
//   0xF2 | b0 | b1 << 3             the last two bits of a long (byte 11).
// The chip answers each probe with 0xFE (bit 0) or 0xFF (bit 1).
//
// A load.  After the reset the PC sends 0xF9, 250 bits of the LFSR sequence seeded with 0x50, and
// 258 probes in one go (509 bytes, leaving as writes of 256 and 253).  The chip answers the probes
// with the next 250 bits of the sequence and 8 version bits, least significant first.  A wrong or
// missing reply bit ends the handshake; a missing version bit leaves a negative version.  Then come
// three groups of encoded longs: the command (1 load RAM and run, 3 also program and verify the
// EEPROM, 0 stop), the long count (the file's longs in RAM mode, always 8192 in EEPROM mode) and
// the image.  The chip is then busy (checksum, EEPROM programming, verifying) and answers one bit
// for each stage, 0 for good; the PC keeps probing every 35 ms so the chip always has a slot to
// answer in, and gives each answer its own budget (2.5 s, 5 s, 2.5 s).  A missing programming or
// verify answer is reported but not fatal.  Nothing more is sent: the chip starts the program.
//
// Detect runs the same handshake quietly with raw writes and single-byte reads, for the scan of
// the ports at start-up.
#include "loader/BootLoader.h"

#include <string>

#include "loader/LoaderContext.h"

namespace tavolin {
namespace {

void Status(LoaderContext& app, std::string_view line) {
  if (app.output != nullptr) app.output->PrintLine(line);
}

std::uint8_t& Lfsr(LoaderContext& app) {
  return app.loader.lfsr;
}

// Assembles the version from eight reply bits, least significant first.  A missing bit (-1)
// shifted in at the top makes the value negative, which the caller reports as it is.
template <typename ReceiveFn>
int ReceiveVersion(ReceiveFn receive) {
  int version = 0;
  for (int i = 0; i < boot::kVersionBits; ++i) {
    version = (version >> 1) | (receive() * (1 << 7));
  }
  return version;
}

}  // namespace

int NextLfsrBit(LoaderContext& app) {
  std::uint8_t& state = Lfsr(app);
  const int bit = state & 1;
  const int feedback = ((state >> 7) ^ (state >> 5) ^ (state >> 4) ^ (state >> 1)) & 1;
  state = static_cast<std::uint8_t>(((state << 1) & 0xFE) | feedback);
  return bit;
}

void EncodeLong(LoaderContext& app, std::uint32_t value) {
  for (int i = 0; i < boot::kEncodedLongBytes - 1; ++i) {
    const std::uint32_t b =
        0x92u | (value & 1u) | (((value >> 1) & 1u) << 3) | (((value >> 2) & 1u) << 6);
    app.port.QueueByte(static_cast<std::uint8_t>(b));
    value >>= 3;
  }
  app.port.QueueByte(static_cast<std::uint8_t>(0xF2u | (value & 1u) | (((value >> 1) & 1u) << 3)));
}

int ReceiveBit(LoaderContext& app, bool probe, int budgetMs) {
  Clock& clock = app.platform.clock;
  while (budgetMs > 0) {
    if (probe) {
      app.port.QueueByte(boot::kProbe);
      app.port.Flush();
      if (app.port.Lost()) return -1;
      clock.SleepMs(boot::kProbeMs);
      budgetMs -= boot::kProbeMs;
    }
    if (app.port.ReceiveExhausted()) {
      app.port.FillReceive();  // looked at in the next pass
    } else {
      const std::uint8_t byte = app.port.TakeReceived();
      if (byte == boot::kBitZero) return 0;
      if (byte == boot::kBitOne) return 1;
      Status(app, kHardwareLost);
    }
    if (app.port.Lost()) return -1;  // nothing will come; the loss is reported once, elsewhere
    clock.SleepMs(boot::kPollMs);
    budgetMs -= boot::kPollMs;
  }
  Status(app, kTimeOut);
  return -1;
}

int ReceiveBitQuiet(LoaderContext& app, int budgetMs) {
  while (budgetMs > 0) {
    std::uint8_t byte = 0;
    if (app.port.ReadByte(byte) && (byte == boot::kBitZero || byte == boot::kBitOne)) {
      return byte & 1;
    }
    if (app.port.Lost()) return -1;
    app.platform.clock.SleepMs(boot::kPollMs);
    budgetMs -= boot::kPollMs;
  }
  return -1;
}

int Handshake(LoaderContext& app) {
  Lfsr(app) = boot::kLfsrSeed;
  app.port.QueueByte(boot::kProbe);
  for (int i = 0; i < boot::kHandshakeBits; ++i) {
    app.port.QueueByte(static_cast<std::uint8_t>(0xFE | NextLfsrBit(app)));
  }
  for (int i = 0; i < boot::kHandshakeBits + boot::kVersionBits; ++i) {
    app.port.QueueByte(boot::kProbe);
  }
  app.port.Flush();

  for (int i = 0; i < boot::kHandshakeBits; ++i) {
    if (ReceiveBit(app, false, boot::kReplyBitBudgetMs) != NextLfsrBit(app)) return -1;
  }
  const int version =
      ReceiveVersion([&app] { return ReceiveBit(app, false, boot::kVersionBitBudgetMs); });
  if (app.port.Lost()) return -1;
  Status(app, std::string(kPropellerVersion) + std::to_string(version));
  return version;
}

int Detect(LoaderContext& app) {
  app.port.PulseReset(app.settings.UseRTS);
  Lfsr(app) = boot::kLfsrSeed;
  std::uint8_t* out = app.SendBuffer.data();
  out[0] = boot::kProbe;
  for (int i = 0; i < boot::kHandshakeBits; ++i) {
    out[1 + i] = static_cast<std::uint8_t>(0xFE | NextLfsrBit(app));
  }
  app.port.WriteRaw(out, 1 + boot::kHandshakeBits);
  const int probes = boot::kHandshakeBits + boot::kVersionBits;
  for (int i = 0; i < probes; ++i) out[i] = boot::kProbe;
  app.port.WriteRaw(out, probes);

  for (int i = 0; i < boot::kHandshakeBits; ++i) {
    if (ReceiveBitQuiet(app, boot::kDetectBitBudgetMs) != NextLfsrBit(app)) return -1;
  }
  return ReceiveVersion([&app] { return ReceiveBitQuiet(app, boot::kDetectBitBudgetMs); });
}

LoadResult Load(LoaderContext& app, std::size_t byteLength) {
  const bool eeprom = app.loader.eepromMode;
  EncodeLong(app, eeprom ? boot::kCommandProgramRun : boot::kCommandLoadRun);
  app.port.Flush();
  if (app.port.Lost()) return LoadResult::PortLost;

  std::size_t count = eeprom ? boot::kEepromLongs : byteLength / 4;
  if (count > app.loader.image.size()) count = app.loader.image.size();
  EncodeLong(app, static_cast<std::uint32_t>(count));
  app.port.Flush();
  if (app.port.Lost()) return LoadResult::PortLost;
  if (eeprom) {
    Status(app, std::string(kWriteInEepromLength) + std::to_string(boot::kEepromBytes));
  } else {
    Status(app, std::string(kWriteInRamLength) + std::to_string(byteLength));
  }

  LoadProgress* progress = app.loader.progress;
  for (std::size_t i = 0; i < count && !app.port.Lost(); ++i) {
    EncodeLong(app, app.loader.image[i]);
    if (progress != nullptr) progress->ImageProgress(i + 1, count);
  }
  app.port.Flush();
  if (progress != nullptr) progress->ImageDone();
  if (app.port.Lost()) return LoadResult::PortLost;
  Status(app, kVerify);

  const int checksum = ReceiveBit(app, true, boot::kChecksumBudgetMs);
  if (app.port.Lost()) return LoadResult::PortLost;
  if (checksum != 0) {
    Status(app, kChecksumError);
    return LoadResult::ChecksumError;
  }
  if (eeprom) {
    // A time-out here is reported by ReceiveBit and tolerated: only an answer 1 is a failure.
    const int programmed = ReceiveBit(app, true, boot::kProgramBudgetMs);
    if (app.port.Lost()) return LoadResult::PortLost;
    if (programmed == 1) {
      Status(app, kEepromWriteError);
      return LoadResult::EepromWriteError;
    }
    const int verified = ReceiveBit(app, true, boot::kVerifyBudgetMs);
    if (app.port.Lost()) return LoadResult::PortLost;
    if (verified == 1) {
      Status(app, kEepromVerifyError);
      return LoadResult::EepromVerifyError;
    }
  }
  Status(app, kOkRun);
  return LoadResult::Ok;
}

}  // namespace tavolin
