#include "sim/P2RomLoader.h"

#include <algorithm>

namespace tavolin::sim {

namespace {

constexpr std::size_t kRingBytes = 16;
constexpr std::size_t kHubBytes = 512 * 1024;
constexpr std::uint32_t kProp = 0x706F7250;
constexpr int kAnswerPauseBits = 16;

bool IsBlank(std::uint8_t b) {
  return b == '\t' || b == '\n' || b == '\r' || b == ' ' || b == '=';
}

int HexDigit(std::uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  return -1;
}

int Base64Digit(std::uint8_t b) {
  if (b >= 'A' && b <= 'Z') return b - 'A';
  if (b >= 'a' && b <= 'z') return b - 'a' + 26;
  if (b >= '0' && b <= '9') return b - '0' + 52;
  if (b == '+') return 62;
  if (b == '/') return 63;
  return -1;
}

}  // namespace

std::vector<std::uint8_t> MakeP2Image(std::size_t bytes) {
  static constexpr std::uint8_t kBlinker[] = {0xFB, 0xF7, 0x23, 0xF6, 0xFD, 0xFB, 0x23,
                                              0xF6, 0x25, 0x26, 0x80, 0xFF, 0x1F, 0x80,
                                              0x66, 0xFD, 0xF0, 0xFF, 0x9F, 0xFD};
  std::vector<std::uint8_t> image(bytes, 0);
  std::uint32_t state = 0x2545F491;
  for (std::size_t i = 0; i < bytes; ++i) {
    if (i < sizeof kBlinker) {
      image[i] = kBlinker[i];
      continue;
    }
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    image[i] = static_cast<std::uint8_t>(state);
  }
  return image;
}

void P2RomLoader::Start(std::int64_t atUs) {
  state_ = State::Off;
  command_ = Command::None;
  startUs_ = atUs;
  last8_.clear();
  ring_.clear();
  parseFreeNs_ = atUs * 1000;
}

void P2RomLoader::OnByte(std::uint8_t byte, std::int64_t atUs) {
  Advance(atUs);
  if (startUs_ < 0) return;
  if (atUs < startUs_ + std::int64_t{options_.startupMs} * 1000) return;  // not listening yet
  if (state_ == State::Off && byte != '>') return;  // the receiver is not on yet
  if (ring_.size() >= kRingBytes) {
    ring_.pop_front();  // overwritten before it was read
    if (record_.overruns++ == 0) chip_.Note("P2 ROM: receive buffer overrun", atUs);
  }
  ring_.emplace_back(byte, atUs);
  Drain(atUs);
}

void P2RomLoader::Advance(std::int64_t nowUs) {
  Drain(nowUs);
  if (startUs_ >= 0 && nowUs - startUs_ > std::int64_t{options_.windowMs} * 1000) {
    chip_.Note("P2 ROM: serial window closed", nowUs);
    startUs_ = -1;
    ring_.clear();
    chip_.Run(Personality::Off, nowUs);
  }
}

void P2RomLoader::Drain(std::int64_t untilUs) {
  while (!ring_.empty()) {
    const std::int64_t beginNs = std::max(parseFreeNs_, ring_.front().second * 1000);
    if (beginNs > untilUs * 1000) return;
    const auto [byte, arrivedUs] = ring_.front();
    ring_.pop_front();
    parseFreeNs_ = beginNs + options_.parseNs;
    Parse(byte, std::max(arrivedUs, beginNs / 1000));
    if (startUs_ < 0) return;  // the program was started or the window closed
  }
}

void P2RomLoader::Parse(std::uint8_t byte, std::int64_t atUs) {
  if (state_ == State::Off) {
    if (byte == '>') state_ = State::Armed;
    return;
  }
  if (state_ == State::Armed) {
    state_ = State::Scan;  // the byte after the first ">" is lost while the receiver arms
    return;
  }
  if (byte == '>') return;  // retunes the rate; never reaches the parser
  switch (state_) {
    case State::Scan:
      Scan(byte, atUs);
      return;
    case State::Number:
      if (HexDigit(byte) >= 0) {
        number_ = (number_ << 4) | static_cast<std::uint32_t>(HexDigit(byte));
        inNumber_ = true;
      } else if (inNumber_) {
        EndNumber(byte, atUs);
      } else if (!IsBlank(byte)) {
        Abort("unexpected byte before a number", atUs);
      }
      return;
    case State::Data:
      if (IsBlank(byte)) return;
      if (command_ == Command::Text) {
        const int digit = Base64Digit(byte);
        if (digit < 0) {
          Terminate(byte, atUs);
          return;
        }
        bits_ = (bits_ << 6) | static_cast<std::uint32_t>(digit);
        bitCount_ += 6;
        if (bitCount_ >= 8) {
          bitCount_ -= 8;
          Store(static_cast<std::uint8_t>(bits_ >> bitCount_));
        }
        return;
      }
      if (HexDigit(byte) < 0) {
        Terminate(byte, atUs);
        return;
      }
      number_ = static_cast<std::uint32_t>(HexDigit(byte));
      inNumber_ = true;
      state_ = State::Number;
      return;
    default:
      return;
  }
}

void P2RomLoader::Scan(std::uint8_t byte, std::int64_t atUs) {
  if (byte == 0x04 || byte == 0x1B) {
    chip_.Note(byte == 0x04 ? "P2 ROM: monitor started" : "P2 ROM: TAQOZ started", atUs);
    startUs_ = -1;
    chip_.Run(byte == 0x04 ? Personality::Monitor : Personality::Off, atUs);
    return;
  }
  last8_.push_back(static_cast<char>(byte));
  if (last8_.size() > 8) last8_.erase(0, last8_.size() - 8);
  static const std::pair<const char*, Command> kCommands[] = {
      {"Prop_Chk", Command::Check},
      {"Prop_Txt", Command::Text},
      {"Prop_Hex", Command::Hex},
      {"Prop_Clk", Command::Clock}};
  for (const auto& [name, command] : kCommands) {
    if (last8_ != name) continue;
    command_ = command;
    state_ = State::Number;
    numbers_ = 0;
    number_ = 0;
    inNumber_ = false;
    last8_.clear();
    return;
  }
}

void P2RomLoader::EndNumber(std::uint8_t byte, std::int64_t atUs) {
  inNumber_ = false;
  if (numbers_ >= 4) {  // a data value of "Prop_Hex"
    Store(static_cast<std::uint8_t>(number_));
    number_ = 0;
    state_ = State::Data;
    Parse(byte, atUs);  // the byte that ended it is read again
    return;
  }
  masks_[numbers_++] = number_;
  number_ = 0;
  if (numbers_ < 4) {
    if (!IsBlank(byte)) Abort("unexpected byte after a number", atUs);
    return;
  }
  // The pins read 0: a mask that asks for a set pin does not match.
  if ((0 & masks_[0]) != masks_[1] || (0 & masks_[2]) != masks_[3]) {
    Abort("pin mask does not match", atUs);
    return;
  }
  switch (command_) {
    case Command::Check:
      ++record_.checks;
      Answer(std::string("\r\nProp_Ver ") + options_.versionLetter + "\r\n", atUs);
      state_ = State::Scan;
      return;
    case Command::Clock:
      Answer(".", atUs);
      state_ = State::Off;  // waits for a new ">" at the new clock
      return;
    case Command::Text:
    case Command::Hex:
      record_.hub.clear();
      record_.loadedBytes = 0;
      sum_ = 0;
      bits_ = 0;
      bitCount_ = 0;
      state_ = State::Data;
      if (!IsBlank(byte)) Parse(byte, atUs);
      return;
    case Command::None:
      state_ = State::Scan;
      return;
  }
}

void P2RomLoader::Store(std::uint8_t byte) {
  const std::size_t at = record_.loadedBytes++;
  sum_ += static_cast<std::uint32_t>(byte) << (8 * (at % 4));
  if (at < kHubBytes) record_.hub.push_back(byte);
}

void P2RomLoader::Terminate(std::uint8_t byte, std::int64_t atUs) {
  if (byte != '~' && byte != '?') {
    Abort("unexpected byte in the data", atUs);
    return;
  }
  ++record_.loads;
  if (byte == '?') {
    record_.checksumOk = sum_ == kProp && !options_.badChecksum;
    if (!record_.checksumOk) {
      chip_.Note("P2 ROM: checksum error", atUs);
      Answer("!", atUs);
      state_ = State::Scan;
      return;
    }
    Answer(".", atUs);
  }
  // The checksum long is not part of the program.
  if (byte == '?' && record_.hub.size() >= 4) record_.hub.resize(record_.hub.size() - 4);
  record_.ran = true;
  chip_.Note("P2 ROM: " + std::to_string(record_.loadedBytes) + " bytes loaded, running", atUs);
  startUs_ = -1;
  ring_.clear();
  chip_.Run(firmware_, chip_.SentByUs(atUs));
}

void P2RomLoader::Abort(const std::string& why, std::int64_t atUs) {
  chip_.Note("P2 ROM: " + why + ", back to the scanner", atUs);
  state_ = State::Scan;
  command_ = Command::None;
  last8_.clear();
}

void P2RomLoader::Answer(const std::string& text, std::int64_t atUs) {
  const std::int64_t pauseUs = chip_.ByteUs() * kAnswerPauseBits / 10;
  chip_.Send(std::vector<std::uint8_t>(text.begin(), text.end()), atUs + pauseUs);
}

}  // namespace tavolin::sim
