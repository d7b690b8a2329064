// tavolin-sim: the simulated Propeller (sim/) at the far end of a pseudo-terminal, for trying
// Tavolin without a chip and for the end-to-end tests.
//
//   tavolin-sim [--personality boot|display|monitor|transfer] [--fault NAME] [--fault-stage S]
//               [--fault-bit N] [--blank-eeprom] [--no-clock] [--request NAME]
//               [--stop-after N] [--open-wait MS] [--log FILE] [--link-file FILE]
//               [--write-images DIR] [--chip p1|p2] [--p2-parse-ns N] [--stream SECONDS]
//               [--hub-file FILE]
//
// The first line on standard output is the device to open (for example /dev/pts/7); point
// TAVOLIN_COM<n> at it.  The chip powers on when the port is first opened and is reset every time
// it is opened again (an open raises DTR, which resets the usual boards).  A pseudo-terminal has no
// modem lines, so the open stands in for the reset pulses the host sends after it: the boot loader
// listens for --open-wait MS (1000) before it boots the demo.  For the same reason the start of a
// handshake resets the chip into its boot loader; while received bytes may be such a start the
// chip's output is held, and dropped when they are (the host has just purged its input).  The
// program survives the port being closed and reopened (the master then sees a hang-up, which is
// polled) and runs until it is killed (SIGINT or SIGTERM end it cleanly).  --write-images DIR first
// writes a small valid image as DIR/sim-demo.binary and DIR/sim-demo.eeprom, and a 100,000-byte
// P2 program as DIR/sim-demo-p2.binary, to try the upload with.  --chip p2 makes the chip a
// Propeller 2: its ROM's serial loader (sim/P2RomLoader.h) answers after every reset; a load
// that runs starts the display demo at whatever rate the host then uses; --hub-file FILE receives
// the bytes each P2 load stored in hub RAM.  --stream SECONDS prints
// without pause at the link's rate once the demo runs, and notes whether the host kept up.
//
// The host's bytes are read at the pace of the wire (the rate and stop bits the host set on the
// port), with no more than about 256 bytes ahead, so the host's writes take the time they would on
// an adapter, up to what the pseudo-terminal itself buffers.
// POSIX only here; the chip models stay pure.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/posix/PosixOs.h"
#include "sim/PropImage.h"
#include "sim/SimChip.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
void OnSignal(int) {
  stopRequested = 1;
}

constexpr const char* kUsage =
    "usage: tavolin-sim [--personality boot|display|monitor|transfer] [--fault NAME]\n"
    "                   [--fault-stage handshake|checksum|program|verify] [--fault-bit N]\n"
    "                   [--blank-eeprom] [--no-clock] [--request NAME] [--stop-after N]\n"
    "                   [--open-wait MS] [--log FILE] [--link-file FILE]\n"
    "                   [--write-images DIR] [--chip p1|p2] [--p2-parse-ns N]\n"
    "                   [--stream SECONDS] [--hub-file FILE]\n"
    "faults: wrong-reply-bit, missing-version-bit, no-answer, bad-checksum,\n"
    "        garbage-before-answer, eeprom-write-error, eeprom-verify-error\n";

// How long the boot loader listens for the host after the port was opened.  The host resets the
// chip itself after the open (a DTR pulse, then its handshake about 125 ms later, or two of them
// for a console upload); those pulses do not cross a pseudo-terminal, so the open is the reset
// and the ROM keeps listening past them instead of booting the demo under the host's handshake.
constexpr int kOpenWaitMs = 1000;

struct Config {
  tavolin::sim::SimOptions sim;
  std::string logFile;
  std::string linkFile;
  std::string imageDir;
  bool p2 = false;
  std::string hubFile;
  int streamSeconds = 0;
};

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool ParseInt(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != 0 || v < -1 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

bool Parse(int argc, char** argv, Config& config) {
  using namespace tavolin::sim;
  SimOptions& o = config.sim;
  o.start = Personality::BootLoader;
  o.firmware = Personality::Display;
  o.resetOnHandshake = true;
  o.boot.eepromHoldsFirmware = true;
  o.transfer.requestName = "*.*";
  o.boot.openWaitMs = kOpenWaitMs;
  bool faultStageGiven = false;
  bool faultBitGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    const char* value = hasValue ? argv[i + 1] : "";
    if (arg == "--blank-eeprom") {
      o.boot.eepromHoldsFirmware = false;
      continue;
    }
    if (arg == "--no-clock") {
      o.display.clock = false;
      continue;
    }
    if (arg == "--help" || arg == "-h" || !hasValue) return false;
    ++i;
    const std::string v = value;
    if (arg == "--personality") {
      if (v == "boot") {
        o.start = Personality::BootLoader;
        o.firmware = Personality::Display;
      } else if (v == "display" || v == "monitor" || v == "transfer") {
        o.firmware = v == "display"   ? Personality::Display
                     : v == "monitor" ? Personality::Monitor
                                      : Personality::Transfer;
        o.start = o.firmware;
      } else {
        return false;
      }
    } else if (arg == "--fault") {
      struct Name {
        const char* text;
        BootFault fault;
        BootStage stage;
      };
      const Name names[] = {
          {"wrong-reply-bit", BootFault::WrongReplyBit, BootStage::Handshake},
          {"missing-version-bit", BootFault::MissingVersionBit, BootStage::Handshake},
          {"no-answer", BootFault::NoAnswer, BootStage::Handshake},
          {"bad-checksum", BootFault::BadChecksum, BootStage::Checksum},
          {"garbage-before-answer", BootFault::GarbageBeforeAnswer, BootStage::Checksum},
          {"eeprom-write-error", BootFault::EepromWriteError, BootStage::Program},
          {"eeprom-verify-error", BootFault::EepromVerifyError, BootStage::Verify},
      };
      bool known = false;
      for (const Name& n : names) {
        if (v != n.text) continue;
        known = true;
        o.boot.fault = n.fault;
        if (!faultStageGiven) o.boot.faultStage = n.stage;
        if (n.fault == BootFault::MissingVersionBit && !faultBitGiven) o.boot.faultBit = 6;
      }
      if (!known) return false;
    } else if (arg == "--fault-stage") {
      faultStageGiven = true;
      if (v == "handshake")
        o.boot.faultStage = BootStage::Handshake;
      else if (v == "checksum")
        o.boot.faultStage = BootStage::Checksum;
      else if (v == "program")
        o.boot.faultStage = BootStage::Program;
      else if (v == "verify")
        o.boot.faultStage = BootStage::Verify;
      else
        return false;
    } else if (arg == "--fault-bit") {
      faultBitGiven = true;
      if (!ParseInt(value, o.boot.faultBit)) return false;
    } else if (arg == "--open-wait") {
      if (!ParseInt(value, o.boot.openWaitMs) || o.boot.openWaitMs < 0) return false;
    } else if (arg == "--request") {
      o.transfer.requestName = v;
    } else if (arg == "--stop-after") {
      if (!ParseInt(value, o.transfer.stopAfterBlocks)) return false;
    } else if (arg == "--chip") {
      if (v != "p1" && v != "p2") return false;
      config.p2 = v == "p2";
    } else if (arg == "--p2-parse-ns") {
      if (!ParseInt(value, o.p2.parseNs) || o.p2.parseNs < 0) return false;
    } else if (arg == "--hub-file") {
      config.hubFile = v;
    } else if (arg == "--stream") {
      if (!ParseInt(value, config.streamSeconds) || config.streamSeconds < 0) return false;
    } else if (arg == "--log") {
      config.logFile = v;
    } else if (arg == "--link-file") {
      config.linkFile = v;
    } else if (arg == "--write-images") {
      config.imageDir = v;
    } else {
      return false;
    }
  }
  if (config.p2) {
    // The P2 ROM listens at power-on and after every reset; a load that runs starts the demo,
    // and while it runs the question "> Prop_Chk" stands in for the reset a pseudo-terminal
    // cannot carry.
    o.rom = Personality::P2Rom;
    if (o.start == Personality::BootLoader) o.start = Personality::P2Rom;
    if (o.boot.fault == BootFault::BadChecksum) o.p2.badChecksum = true;
  }
  return true;
}

// The byte log: one line per burst, "<ms> host|chip: XX XX ..." and the chip's notes.
class ByteLog {
 public:
  explicit ByteLog(const std::string& path) {
    if (!path.empty()) file_.open(path, std::ios::out | std::ios::trunc);
  }
  bool ok() const { return file_.is_open(); }
  void Bytes(std::int64_t ms, const char* who, const std::uint8_t* bytes, std::size_t n) {
    if (!file_.is_open() || n == 0) return;
    Stamp(ms);
    file_ << who << ':';
    char hex[4];
    for (std::size_t i = 0; i < n; ++i) {
      std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
      file_ << hex;
    }
    file_ << '\n';
    file_.flush();
  }
  void Line(std::int64_t ms, const std::string& text) {
    if (!file_.is_open()) return;
    Stamp(ms);
    file_ << "note: " << text << '\n';
    file_.flush();
  }

 private:
  void Stamp(std::int64_t ms) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10lld.%03lld ", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    file_ << stamp;
  }
  std::ofstream file_;
};

void SleepMs(int ms) {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

int RateOf(speed_t s) {
  switch (s) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    default:
      return 115200;
  }
}

// --stream: a program that prints without pause at the link's rate, to see whether the host
// keeps up.  The pseudo-terminal takes what the host has not read yet up to its own buffer; a
// byte it refuses waits in the tool (pending), where on a real link it would have been lost.  The
// note at the end says how many bytes went out and the most that ever had to wait.
class StreamProgram {
 public:
  // What the pseudo-terminal refused this time round: bytes that had to wait for the host.
  void NoteRefused(std::int64_t nowMs, std::size_t refused) {
    if (startMs_ < 0 || done_ || refused <= maxWaiting_) return;
    maxWaiting_ = refused;
    maxWaitingMs_ = nowMs - startMs_;
  }
  void Feed(std::int64_t nowMs, std::int64_t byteUs, int seconds, std::vector<std::uint8_t>& pending,
            ByteLog& log, std::int64_t origin) {
    if (done_) return;
    if (startMs_ < 0) {
      startMs_ = nowMs;
      log.Line(nowMs - origin, "stream: start");
    }
    const std::int64_t elapsedUs = (nowMs - startMs_) * 1000;
    const std::int64_t due = elapsedUs / std::max<std::int64_t>(byteUs, 1);
    while (sent_ < due) {
      if (line_.empty() || at_ >= line_.size()) {
        char text[96];
        std::snprintf(text, sizeof text, "%08lld the quick brown fox jumps over the lazy dog\r\n",
                      static_cast<long long>(lines_++));
        line_ = text;
        at_ = 0;
      }
      pending.push_back(static_cast<std::uint8_t>(line_[at_++]));
      ++sent_;
    }
    if (nowMs - startMs_ >= seconds * 1000LL) {
      done_ = true;
      const std::string note = "stream: " + std::to_string(sent_) + " bytes in " +
                               std::to_string(nowMs - startMs_) + " ms, at most " +
                               std::to_string(maxWaiting_) + " bytes waiting for the host" +
                               (maxWaiting_ > 0 ? " (" + std::to_string(maxWaitingMs_) + " ms in)"
                                                : std::string());
      log.Line(nowMs - origin, note);
      std::cerr << "tavolin-sim: " << note << '\n';
    }
  }

 private:
  std::int64_t startMs_ = -1;
  std::int64_t sent_ = 0;
  std::int64_t lines_ = 0;
  std::size_t maxWaiting_ = 0;
  std::int64_t maxWaitingMs_ = 0;
  std::string line_;
  std::size_t at_ = 0;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Config config;
  if (!Parse(argc, argv, config)) {
    std::cerr << kUsage;
    return 2;
  }
  if (!config.imageDir.empty()) {
    const std::filesystem::path dir = config.imageDir;
    const auto binary = tavolin::sim::MakeBinaryImage(64);
    if (!tavolin::sim::SaveImage(dir / "sim-demo.binary", binary) ||
        !tavolin::sim::SaveImage(dir / "sim-demo.eeprom", tavolin::sim::MakeEepromImage(binary)) ||
        !tavolin::sim::SaveImage(dir / "sim-demo-p2.binary", tavolin::sim::MakeP2Image(100000))) {
      std::cerr << "tavolin-sim: cannot write the images into " << config.imageDir << '\n';
      return 1;
    }
  }
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::cerr << "tavolin-sim: no pseudo-terminal: " << std::strerror(errno) << '\n';
    return 1;
  }
  const char* slaveName = ptsname(master);
  if (slaveName == nullptr) {
    std::cerr << "tavolin-sim: no pseudo-terminal name: " << std::strerror(errno) << '\n';
    return 1;
  }
  const std::string slave = slaveName;
  // Open the slave once and close it: from then on the master sees a hang-up whenever no one
  // has the port open (before the first open it would not).
  const int probe = open(slave.c_str(), O_RDWR | O_NOCTTY);
  if (probe >= 0) {
    termios tio{};
    if (tcgetattr(probe, &tio) == 0) {
      cfmakeraw(&tio);
      cfsetispeed(&tio, B115200);
      cfsetospeed(&tio, B115200);
      tio.c_cflag |= CSTOPB;
      tcsetattr(probe, TCSANOW, &tio);
    }
    close(probe);
  }
  if (!config.linkFile.empty()) {
    std::ofstream link(config.linkFile, std::ios::out | std::ios::trunc);
    link << slave << '\n';
    if (!link) std::cerr << "tavolin-sim: cannot write " << config.linkFile << '\n';
  }
  std::cout << slave << std::endl;
  ByteLog log(config.logFile);
  if (!config.logFile.empty() && !log.ok()) {
    std::cerr << "tavolin-sim: cannot write " << config.logFile << '\n';
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  tavolin::sim::SimChip chip(config.sim);
  const std::int64_t origin = NowMs();
  chip.SetNoteSink([&log, origin](const std::string& text, std::int64_t atUs) {
    log.Line(atUs / 1000 - origin, text);
    std::cerr << "tavolin-sim: " << text << '\n';
  });

  constexpr std::int64_t kAheadUs = 256 * 96;  // what an adapter would hold, at 115200
  constexpr std::size_t kPendingLimit = 1 << 20;
  bool slaveOpen = false;
  std::vector<std::uint8_t> pending;  // chip bytes the pseudo-terminal has not taken yet
  std::vector<std::uint8_t> buffer(4096);
  // While the host's bytes may be the start of a handshake, the chip's output stays here.
  bool holding = false;
  std::uint64_t resetsSeen = 0;
  StreamProgram stream;
  int hubLoads = 0;
  while (stopRequested == 0) {
    std::int64_t now = NowMs();
    pollfd p{master, POLLIN, 0};
    const bool paced = slaveOpen && chip.ReceiveBacklogUs(now) > kAheadUs;
    const int ready = poll(&p, 1, paced ? 0 : 2);
    if (ready < 0 && errno != EINTR) break;
    now = NowMs();
    if ((p.revents & POLLHUP) != 0) {
      if (slaveOpen) {
        slaveOpen = false;
        pending.clear();
        log.Line(now - origin, "port closed");
      }
      chip.OnTick(now);
      chip.TakeOutput(now);  // nobody listens
      SleepMs(10);
      continue;
    }
    if (!slaveOpen) {
      slaveOpen = true;
      log.Line(now - origin, "port opened");
      chip.OnPortOpen(now);
    }
    termios current{};
    if (tcgetattr(master, &current) == 0) {
      const int anyRate = tavolin::posix::ReadRate(master);
      chip.SetLink(anyRate > 0 ? anyRate : RateOf(cfgetospeed(&current)),
                   (current.c_cflag & CSTOPB) != 0 ? 11 : 10);
    }
    if (paced) SleepMs(1);
    if ((p.revents & POLLIN) != 0 && !paced) {
      const std::int64_t room = (kAheadUs - chip.ReceiveBacklogUs(now)) / chip.ByteUs() + 1;
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(room, 4096));
      const ssize_t got = read(master, buffer.data(), want);
      if (got > 0) {
        log.Bytes(now - origin, "host", buffer.data(), static_cast<std::size_t>(got));
        chip.OnHostBytes(buffer.data(), static_cast<std::size_t>(got), now);
      }
    }
    chip.OnTick(now);
    if (chip.resetCount() != resetsSeen) {
      // A reset: what the chip had sent and the pseudo-terminal has not taken never arrives.
      // After a held handshake start that includes what became due while it was held: the
      // host purged its input right before the handshake, so on a board whose reset pulse
      // reaches the chip none of it would exist.
      resetsSeen = chip.resetCount();
      std::size_t dropped = pending.size();
      pending.clear();
      if (holding) dropped += chip.TakeOutput(now).size();
      if (dropped > 0) log.Line(now - origin, "dropped " + std::to_string(dropped) + " bytes");
    }
    holding = chip.HandshakeStartPending();
    if (!holding) {
      for (const auto& b : chip.TakeOutput(now)) pending.push_back(b.byte);
    }
    if (!config.hubFile.empty() && chip.p2Rom().record().loads != hubLoads) {
      hubLoads = chip.p2Rom().record().loads;
      tavolin::sim::SaveImage(config.hubFile, chip.p2Rom().record().hub);
    }
    if (config.streamSeconds > 0 && chip.running() == tavolin::sim::Personality::Display) {
      stream.Feed(now, chip.ByteUs(), config.streamSeconds, pending, log, origin);
    }
    if (pending.size() > kPendingLimit) {
      // The host has stopped reading for a long while; a chip's transmitter would not wait.
      pending.erase(pending.begin(), pending.end() - kPendingLimit);
    }
    if (!pending.empty()) {
      const ssize_t put = write(master, pending.data(), pending.size());
      if (put > 0) {
        log.Bytes(now - origin, "chip", pending.data(), static_cast<std::size_t>(put));
        pending.erase(pending.begin(), pending.begin() + put);
      }
      stream.NoteRefused(now, pending.size());
    }
  }
  close(master);
  return 0;
}
