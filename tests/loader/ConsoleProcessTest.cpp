// The console upload mode as a real process: the built tavolin program is started with no
// display, COM 5 named by TAVOLIN_COM5 as the slave of a pseudo-terminal whose master this test
// drives with the boot ROM model.  A pseudo-terminal has no modem lines, so no reset reaches the
// model: it starts its handshake on the 0xF9 that begins the host's.  Checked: the lines on
// standard output, the message and progress line on standard error, and the exit codes.  Every
// run ends with the program's own two-second pause.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BootRomModel.h"
#include "LoaderRig.h"

extern char** environ;

namespace tavolin {
namespace {

using loadertest::BootRomModel;
using loadertest::BytesOf;
using loadertest::ScratchDir;

constexpr int kRunLimitSeconds = 30;  // a hung program fails the test instead of hanging it

struct Pty {
  int master = -1;
  int slave = -1;
  std::string name;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    name = ptsname(master);
    // Held open by the test as well, so the master never sees a hang-up between the program's
    // open and close; raw, so nothing is echoed or translated before the program sets it up.
    slave = ::open(name.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (slave >= 0 && tcgetattr(slave, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(slave, TCSANOW, &t);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
  bool ok() const { return master >= 0 && slave >= 0; }
};

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Drain(int fd, std::string& into) {
  char buffer[4096];
  while (true) {
    const ssize_t r = ::read(fd, buffer, sizeof buffer);
    if (r <= 0) return;
    into.append(buffer, static_cast<std::size_t>(r));
  }
}

// One run of tavolin: COM 5 on the serial pty (unless comDevice names another device) with the
// chip model behind it; standard error on a pty of its own when errOnTerminal, else a pipe.
class Session {
 public:
  Session(std::vector<std::string> args, BootRomModel& chip, bool errOnTerminal,
          std::string comDevice = "")
      : chip_(chip) {
    if (!serial_.ok() || !errTerminal_.ok() || pipe(outPipe_) != 0 || pipe(errPipe_) != 0) {
      ADD_FAILURE() << "no pseudo-terminal or pipe";
      return;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string v = *e;
      if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
          v.rfind("TAVOLIN_COM", 0) == 0) {
        continue;
      }
      env.push_back(v);
    }
    env.push_back("TAVOLIN_COM5=" + (comDevice.empty() ? serial_.name : comDevice));
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    args.insert(args.begin(), TAVOLIN_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe_[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errOnTerminal ? errTerminal_.slave : errPipe_[1],
                                     STDERR_FILENO);
    const int spawned =
        posix_spawn(&pid_, TAVOLIN_PROGRAM, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe_[1]);
    ::close(errPipe_[1]);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << TAVOLIN_PROGRAM;
      pid_ = -1;
      return;
    }
    for (int fd : {outPipe_[0], errPipe_[0]}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  ~Session() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    for (int fd : {outPipe_[0], errPipe_[0]}) {
      if (fd >= 0) ::close(fd);
    }
  }

  bool done() const { return done_ || pid_ <= 0; }
  const ProcessResult& result() const { return result_; }

  // Answers what the program sent, collects its output, and notes its end.
  void Pump() {
    if (done()) return;
    std::uint8_t buffer[1024];
    ssize_t got;
    while ((got = ::read(serial_.master, buffer, sizeof buffer)) > 0) {
      const std::vector<std::uint8_t> answer =
          chip_.OnBytes(buffer, static_cast<std::size_t>(got), NowMs());
      if (!answer.empty() && ::write(serial_.master, answer.data(), answer.size()) < 0) break;
    }
    int status = 0;
    const bool ended = waitpid(pid_, &status, WNOHANG) == pid_;
    Drain(outPipe_[0], result_.out);
    Drain(errPipe_[0], result_.err);
    Drain(errTerminal_.master, result_.err);
    if (ended) {
      done_ = true;
      result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }

  void AddPollFds(std::vector<pollfd>& fds) const {
    if (done()) return;
    for (int fd : {serial_.master, outPipe_[0], errPipe_[0], errTerminal_.master}) {
      fds.push_back({fd, POLLIN, 0});
    }
  }

 private:
  BootRomModel& chip_;
  Pty serial_;
  Pty errTerminal_;
  int outPipe_[2] = {-1, -1};
  int errPipe_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool done_ = false;
  ProcessResult result_;
};

// Drives the sessions together until every program has ended (their pauses overlap).
void RunAll(const std::vector<Session*>& sessions) {
  const std::int64_t start = NowMs();
  while (true) {
    std::vector<pollfd> fds;
    for (Session* s : sessions) s->AddPollFds(fds);
    if (fds.empty()) return;
    ::poll(fds.data(), fds.size(), 5);
    for (Session* s : sessions) s->Pump();
    if (NowMs() - start > kRunLimitSeconds * 1000) {
      ADD_FAILURE() << "tavolin did not end";
      return;
    }
  }
}

ProcessResult RunTavolin(const std::vector<std::string>& args, BootRomModel& chip,
                         bool errOnTerminal) {
  Session session(args, chip, errOnTerminal);
  RunAll({&session});
  return session.result();
}

std::string Header(const std::string& path) {
  return "Propeller Upload on COM: 5\nFile: " + path + "\n";
}

TEST(ConsoleProcess, GoodLoadExitsZeroWithProgressOnATerminal) {
  ScratchDir files;
  BootRomModel chip;
  chip.checksum.busyMs = 0;
  const std::string path = files.Write("demo.binary", BytesOf(std::vector<std::uint32_t>(100, 5)));
  const ProcessResult run = RunTavolin({path, "-L", "5"}, chip, true);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, Header(path) +
                         "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=400\n"
                         "Verify ..\n..OK -> RUN\n");
  EXPECT_EQ(chip.command(), 1u);
  EXPECT_EQ(chip.image(), std::vector<std::uint32_t>(100, 5));
  EXPECT_NE(run.err.find("Sending image: 100% (100 of 100 longs)"), std::string::npos) << run.err;
  ASSERT_GE(run.err.size(), 4u);
  EXPECT_EQ(run.err.substr(run.err.size() - 4), "\r\x1b[K") << "the progress line is erased";
}

TEST(ConsoleProcess, FailuresGiveTheirOwnExitCodes) {
  struct Case {
    const char* name;
    int image;  // 0 good, 1 missing, 2 a FIFO nobody writes, 3 an endless device
    const char* comDevice;
    int wrongReplyBit;  // -1: none
    int checksumBit;
    int exitCode;
    std::string tail;
    std::string errPart;
  };
  const Case cases[] = {
      {"port does not open", 0, "/nonexistent/tty", -1, 0, 2, "",
       "No COM: wrong number or not activated\n"},
      {"missing file", 1, "", -1, 0, 3, "Start Upload\nNo such file\n", ""},
      {"a FIFO", 2, "", -1, 0, 3, "Start Upload\nNo such file\n", ""},
      {"a device", 3, "", -1, 0, 3, "Start Upload\nNo such file\n", ""},
      {"failed handshake", 0, "", 120, 0, 4, "Start Upload\nCode Error -> Abort\n", ""},
      {"checksum refused", 0, "", -1, 1, 5,
       "Start Upload\nPropeller Version = 1\nWrite in RAM Lenght=8\nVerify ..\nCheckSum Error\n",
       ""},
  };
  ScratchDir files;
  std::vector<BootRomModel> chips(std::size(cases));
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<Session>> sessions;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    chips[i].checksum.busyMs = 0;
    chips[i].checksum.bit = c.checksumBit;
    if (c.wrongReplyBit >= 0) chips[i].wrongReplyBit = c.wrongReplyBit;
    const std::string name = std::to_string(i) + ".binary";
    switch (c.image) {
      case 0:
        paths.push_back(files.Write(name, BytesOf({1, 2})));
        break;
      case 2:
        paths.push_back(files.Path(name));
        ASSERT_EQ(::mkfifo(paths.back().c_str(), 0600), 0);
        break;
      case 3:
        paths.push_back("/dev/zero");
        break;
      default:
        paths.push_back(files.Path(name));
        break;
    }
    sessions.push_back(std::make_unique<Session>(std::vector<std::string>{paths[i], "-L", "5"},
                                                 chips[i], false, c.comDevice));
  }
  std::vector<Session*> all;
  for (auto& s : sessions) all.push_back(s.get());
  RunAll(all);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const ProcessResult& run = sessions[i]->result();
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.out, Header(paths[i]) + c.tail) << c.name;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << c.name << ": " << run.err;
  }
}

TEST(ConsoleProcess, HelpListsTheFormsAndExitCodes) {
  BootRomModel chip;
  const ProcessResult run = RunTavolin({"--help"}, chip, false);
  EXPECT_EQ(run.exitCode, 0);
  for (const char* part : {"IMAGE -L PORT-NUMBER", "SETTINGS-FILE -A IMAGE", "  0  ", "  2  ",
                           "  3  ", "  4  ", "  5  "}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace tavolin
