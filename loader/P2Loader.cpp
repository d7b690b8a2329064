#include "loader/P2Loader.h"

#include <algorithm>

#include "loader/BootLoader.h"
#include "loader/LoaderContext.h"

namespace tavolin {
namespace {

constexpr std::size_t kP1MaxBytes = 32768;
constexpr std::uint16_t kP1Pbase = 0x0010;
constexpr std::uint8_t kP1ByteSum = 0x14;  // with the ROM's two stack markers the sum is 0
constexpr std::uint32_t kAlwaysCondition = 0xF;

std::uint32_t LongAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
    value |= std::uint32_t{bytes[at + i]} << (8 * i);
  }
  return value;
}

bool PassesP1Rule(const std::vector<std::uint8_t>& image) {
  if (image.size() < 16 || image.size() > kP1MaxBytes) return false;
  const auto pbase = static_cast<std::uint16_t>(image[6] | (image[7] << 8));
  if (pbase != kP1Pbase) return false;
  std::uint8_t sum = 0;
  for (std::uint8_t b : image) sum = static_cast<std::uint8_t>(sum + b);
  return sum == kP1ByteSum;
}

void Status(LoaderContext& app, std::string_view line) {
  if (app.output != nullptr) app.output->PrintLine(line);
}

// Everything the chip has sent so far, appended to seen; false when the port is lost.
bool Collect(LoaderContext& app, std::string& seen) {
  std::uint8_t* block = app.ReceiveBuffer.data();
  while (true) {
    const int got = app.port.ReadRaw(block);
    if (app.port.Lost()) return false;
    if (got <= 0) return true;
    seen.append(reinterpret_cast<const char*>(block), static_cast<std::size_t>(got));
  }
}

// The ROM's version letter, or 0 when it did not answer within one try.
char AskForP2(LoaderContext& app) {
  Clock& clock = app.platform.clock;
  const std::string_view ask = p2::kCheckCommand;
  app.port.PurgeInput();
  app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(ask.data()), ask.size());
  std::string seen;
  for (int waited = 0; waited < p2::kCheckBudgetMs; waited += p2::kPollMs) {
    if (!Collect(app, seen)) return 0;
    const std::size_t at = seen.find(p2::kVersionReply);
    if (at != std::string::npos && at + p2::kVersionReply.size() < seen.size()) {
      return seen[at + p2::kVersionReply.size()];
    }
    clock.SleepMs(p2::kPollMs);
  }
  return 0;
}

// Sends the load text in chunks, telling the progress observer; false when the port is lost.
bool SendLoad(LoaderContext& app, const std::string& text) {
  LoadProgress* progress = app.loader.progress;
  for (std::size_t done = 0; done < text.size();) {
    const std::size_t n = std::min(p2::kWriteChunk, text.size() - done);
    app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(text.data() + done), n);
    if (app.port.Lost()) return false;
    done += n;
    if (progress != nullptr) progress->ImageProgress(done, text.size());
  }
  if (progress != nullptr) progress->ImageDone();
  return true;
}

// "." or "!" from the chip, or 0 when neither came in time.  Read byte by byte: the program
// starts with the answer, and what it prints right after stays in the driver for the terminal.
char AwaitAnswer(LoaderContext& app, int budgetMs) {
  Clock& clock = app.platform.clock;
  for (int waited = 0; waited < budgetMs; waited += p2::kPollMs) {
    std::uint8_t byte = 0;
    while (app.port.ReadByte(byte)) {
      if (byte == p2::kLoaded || byte == p2::kChecksumRefused) return static_cast<char>(byte);
    }
    if (app.port.Lost()) return 0;
    clock.SleepMs(p2::kPollMs);
  }
  return 0;
}

P2Result Load(LoaderContext& app, const std::vector<std::uint8_t>& image, int loadBaud) {
  const std::string text = P2LoadText(image);
  const std::int64_t wireMs = WireMs(text.size(), loadBaud);
  if (wireMs > p2::kSerialWindowMs) {
    Status(app, std::string(kP2TooSlow) + std::to_string(loadBaud) +
                    " Baud: " + std::to_string((wireMs + 999) / 1000) + " s");
    return P2Result::TooSlow;
  }

  app.port.PulseReset(app.settings.UseRTS);
  char version = 0;
  for (int i = 0; i < p2::kCheckTries && version == 0; ++i) {
    version = AskForP2(app);
    if (app.port.Lost()) return P2Result::PortLost;
  }
  if (version == 0) {
    Status(app, kNoP2Found);
    return P2Result::NoChip;
  }
  Status(app, std::string(kP2Version) + version);
  Status(app, std::string(kWriteInP2Ram) + std::to_string(image.size()) + " at " +
                  std::to_string(loadBaud) + " Baud");

  Clock& clock = app.platform.clock;
  const std::int64_t started = clock.NowMs();
  app.port.PurgeInput();
  if (!SendLoad(app, text)) return P2Result::PortLost;
  Status(app, kVerify);
  const std::int64_t onWireBy = started + wireMs;
  const int budget =
      static_cast<int>(std::max<std::int64_t>(0, onWireBy - clock.NowMs())) + p2::kAnswerBudgetMs;
  const char answer = AwaitAnswer(app, budget);
  if (app.port.Lost()) return P2Result::PortLost;
  if (answer == static_cast<char>(p2::kLoaded)) {
    Status(app, kOkRun);
    return P2Result::Loaded;
  }
  if (answer == 0) Status(app, kTimeOut);
  Status(app, kChecksumError);
  return P2Result::ChecksumError;
}

}  // namespace

ChipKind ImageChip(const std::vector<std::uint8_t>& image, bool eepromMode) {
  if (eepromMode || PassesP1Rule(image)) return ChipKind::P1;
  if (image.size() > kImageBufferLongs * 4) return ChipKind::P2;
  if (image.size() >= 4 && (LongAt(image, 0) >> 28) == kAlwaysCondition) return ChipKind::P2;
  return ChipKind::P1;
}

std::uint32_t P2Checksum(const std::vector<std::uint8_t>& image) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < image.size(); at += 4) sum += LongAt(image, at);
  return p2::kChecksumTarget - sum;
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() * 8 + 5) / 6);
  std::uint32_t bits = 0;
  int count = 0;
  for (std::uint8_t b : bytes) {
    bits = (bits << 8) | b;
    count += 8;
    while (count >= 6) {
      count -= 6;
      out += kAlphabet[(bits >> count) & 0x3F];
    }
  }
  if (count > 0) out += kAlphabet[(bits << (6 - count)) & 0x3F];
  return out;
}

std::string P2LoadText(const std::vector<std::uint8_t>& image) {
  std::vector<std::uint8_t> data = image;
  data.resize((image.size() + 3) / 4 * 4, 0);
  const std::uint32_t checksum = P2Checksum(image);
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(checksum >> (8 * i)));
  const std::string encoded = Base64(data);
  std::string text(p2::kLoadCommand);
  text.reserve(text.size() + encoded.size() * 21 / 20 + 8);
  for (std::size_t at = 0; at < encoded.size(); at += p2::kRetuneEvery) {
    if (at > 0) text += p2::kRetune;
    text.append(encoded, at, p2::kRetuneEvery);
  }
  text += p2::kCheckAndRun;
  return text;
}

int EffectiveLoadBaud(int requested) {
  return requested >= p2::kMinLoadBaud && requested <= p2::kMaxLoadBaud ? requested
                                                                        : p2::kDefaultLoadBaud;
}

std::int64_t WireMs(std::size_t bytes, int bitsPerSecond) {
  if (bitsPerSecond <= 0) return 0;
  return (static_cast<std::int64_t>(bytes) * 10 * 1000 + bitsPerSecond - 1) / bitsPerSecond;
}

P2Result LoadP2(LoaderContext& app, const std::vector<std::uint8_t>& image, int loadBaud) {
  const RateSetting before = app.port.rate();
  app.port.SetRate(RateSetting{loadBaud, StopBits::One});
  const P2Result result = Load(app, image, loadBaud);
  if (result == P2Result::NoChip || result == P2Result::ChecksumError) {
    // The ROM's scanner stays on after a failed load; a reset turns it off until the next ">".
    app.port.PulseReset(app.settings.UseRTS);
  }
  app.port.SetRate(before);
  // What came in at the load's rate is noise at the terminal's; at the same rate and frame it is
  // the program's first output, which the terminal shows.
  const bool sameFrame = before.bitsPerSecond == loadBaud && before.stopBits == StopBits::One;
  if (result == P2Result::Loaded && !sameFrame) app.port.PurgeInput();
  return result;
}

}  // namespace tavolin
