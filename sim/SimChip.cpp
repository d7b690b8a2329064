#include "sim/SimChip.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tavolin::sim {

namespace {

constexpr std::size_t kWatchBytes = 9;  // 0xF9 and the first eight handshake bytes
constexpr std::string_view kP2Watch = "> Prop_Chk";

std::size_t WatchLength(Personality rom) {
  return rom == Personality::P2Rom ? kP2Watch.size() : kWatchBytes;
}

std::uint8_t WatchByte(Personality rom, std::size_t index) {
  if (rom == Personality::P2Rom) return static_cast<std::uint8_t>(kP2Watch[index]);
  if (index == 0) return 0xF9;
  Lfsr lfsr;
  int bit = 0;
  for (std::size_t i = 0; i < index; ++i) bit = lfsr.Next();
  return static_cast<std::uint8_t>(0xFE | bit);
}

std::int64_t ToUs(std::int64_t ms) {
  return ms * 1000;
}

}  // namespace

const char* PersonalityName(Personality p) {
  switch (p) {
    case Personality::Off:
      return "off";
    case Personality::BootLoader:
      return "boot";
    case Personality::Display:
      return "display";
    case Personality::Monitor:
      return "monitor";
    case Personality::Transfer:
      return "transfer";
    case Personality::P2Rom:
      return "P2 ROM";
  }
  return "?";
}

SimChip::SimChip(const SimOptions& options)
    : options_(options),
      boot_(*this, options.boot, options.firmware),
      display_(*this, options.display),
      monitor_(*this, options.monitor),
      p2rom_(*this, options.p2, options.firmware),
      transfer_(*this, options.transfer) {}

void SimChip::SetLink(int bitsPerSecond, int bitsPerByte) {
  if (bitsPerSecond <= 0) return;
  byteUs_ = (std::int64_t{bitsPerByte} * 1000000 + bitsPerSecond - 1) / bitsPerSecond;
}

void SimChip::PowerOn(std::int64_t nowMs) {
  powered_ = true;
  receiveFreeUs_ = transmitFreeUs_ = ToUs(nowMs);
  Note(std::string("power on: ") + PersonalityName(options_.start), ToUs(nowMs));
  Run(options_.start, ToUs(nowMs));
}

void SimChip::OnReset(std::int64_t nowMs) {
  if (!powered_) return;
  const std::int64_t now = ToUs(nowMs);
  Process(now);
  held_.clear();
  // The transmitter stops: what has not left yet never will.
  while (!output_.empty() && output_.back().first > now) output_.pop_back();
  transmitFreeUs_ = std::max(transmitFreeUs_, now);
  ++resetCount_;
  Note("reset", now);
  Run(options_.rom, now);
}

void SimChip::OnPortOpen(std::int64_t nowMs) {
  if (powered_) {
    OnReset(nowMs);
  } else {
    PowerOn(nowMs);
  }
  if (running_ == Personality::BootLoader && options_.rom == Personality::BootLoader &&
      options_.boot.openWaitMs > 0) {
    boot_.LengthenHostWait(options_.boot.openWaitMs);
    Note("boot loader waits " + std::to_string(options_.boot.openWaitMs) + " ms for the host",
         ToUs(nowMs));
  }
}

bool SimChip::HandshakeStartPending() const {
  if (!held_.empty()) return true;
  if (!Watching()) return false;
  const std::uint8_t first = WatchByte(options_.rom, 0);
  return std::any_of(received_.begin(), received_.end(),
                     [first](const Stamped& s) { return s.byte == first; });
}

void SimChip::OnHostBytes(const std::uint8_t* bytes, std::size_t n, std::int64_t nowMs) {
  const std::int64_t now = ToUs(nowMs);
  Process(now);
  if (!powered_) return;
  for (std::size_t i = 0; i < n; ++i) {
    receiveFreeUs_ = std::max(receiveFreeUs_, now) + byteUs_;
    received_.push_back({bytes[i], receiveFreeUs_});
  }
}

void SimChip::OnTick(std::int64_t nowMs) {
  Process(ToUs(nowMs));
}

std::vector<TimedByte> SimChip::TakeOutput(std::int64_t nowMs) {
  std::vector<TimedByte> due;
  const std::int64_t now = ToUs(nowMs);
  while (!output_.empty() && output_.front().first <= now) {
    due.push_back({(output_.front().first + 999) / 1000, output_.front().second});
    output_.pop_front();
  }
  return due;
}

std::int64_t SimChip::ReceiveBacklogUs(std::int64_t nowMs) const {
  return std::max<std::int64_t>(0, receiveFreeUs_ - ToUs(nowMs));
}

void SimChip::Send(const std::vector<std::uint8_t>& bytes, std::int64_t atUs) {
  for (std::uint8_t b : bytes) {
    transmitFreeUs_ = std::max(transmitFreeUs_, atUs) + byteUs_;
    output_.push_back({transmitFreeUs_, b});
  }
}

ChipProgram& SimChip::Program(Personality p) {
  switch (p) {
    case Personality::BootLoader:
      return boot_;
    case Personality::Display:
      return display_;
    case Personality::Monitor:
      return monitor_;
    case Personality::Transfer:
      return transfer_;
    case Personality::P2Rom:
      return p2rom_;
    case Personality::Off:
      break;
  }
  return off_;
}

void SimChip::Run(Personality next, std::int64_t atUs) {
  if (next != options_.rom || running_ != options_.rom) {
    Note(std::string("running ") + PersonalityName(next), atUs);
  }
  running_ = next;
  current_ = &Program(next);
  current_->Start(atUs);
}

void SimChip::Note(const std::string& text, std::int64_t atUs) {
  if (notes_) notes_(text, atUs);
}

void SimChip::Process(std::int64_t nowUs) {
  if (!powered_) return;
  while (!received_.empty() && received_.front().atUs <= nowUs) {
    const Stamped next = received_.front();
    received_.pop_front();
    AdvanceTo(next.atUs);
    Deliver(next.byte, next.atUs);
  }
  AdvanceTo(nowUs);
}

void SimChip::AdvanceTo(std::int64_t atUs) {
  if (!held_.empty() && atUs > held_.back().atUs + 3 * byteUs_ + 2000) FlushHeld();
  // A program may hand over to another while it advances; the new one catches up as well.
  for (int guard = 0; guard < 8; ++guard) {
    ChipProgram* before = current_;
    current_->Advance(atUs);
    if (current_ == before) break;
  }
}

bool SimChip::Watching() const {
  if (!options_.resetOnHandshake) return false;
  if (options_.rom == Personality::P2Rom) return running_ != Personality::P2Rom;
  return !(running_ == Personality::BootLoader && boot_.InHandshake());
}

void SimChip::FlushHeld() {
  std::vector<Stamped> held;
  held.swap(held_);
  for (const Stamped& s : held) current_->OnByte(s.byte, s.atUs);
}

void SimChip::Deliver(std::uint8_t byte, std::int64_t atUs) {
  const std::uint8_t first = WatchByte(options_.rom, 0);
  if (!held_.empty() || (Watching() && byte == first)) {
    if (byte == WatchByte(options_.rom, held_.size())) {
      held_.push_back({byte, atUs});
      if (held_.size() < WatchLength(options_.rom)) return;
      std::vector<Stamped> held;
      held.swap(held_);
      while (!output_.empty() && output_.back().first > held.front().atUs) output_.pop_back();
      ++resetCount_;
      Note("handshake seen: reset", held.front().atUs);
      running_ = options_.rom;
      if (options_.rom == Personality::P2Rom) {
        // The question stands in for the reset: the ROM is taken as listening already.
        current_ = &p2rom_;
        p2rom_.Start(held.front().atUs - std::int64_t{options_.p2.startupMs} * 1000 - 1);
      } else {
        current_ = &boot_;
        boot_.StartListening(held.front().atUs - 1);
      }
      for (const Stamped& s : held) current_->OnByte(s.byte, s.atUs);
      return;
    }
    FlushHeld();
    if (Watching() && byte == first) {
      held_.push_back({byte, atUs});
      return;
    }
  }
  current_->OnByte(byte, atUs);
}

}  // namespace tavolin::sim
