#include "tests/e2e/E2eRig.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

extern char** environ;

namespace tavolin::e2e {
namespace {

std::vector<std::string> EnvironmentOf(const Env& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string v = *e;
    bool drop = false;
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "TAVOLIN_COM"}) {
      drop = drop || v.rfind(name, 0) == 0;
    }
    if (!drop) env.push_back(v);
  }
  for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

void RedirectTo(int fd, const std::string& path, int flags) {
  const int f = ::open(path.empty() ? "/dev/null" : path.c_str(), flags, 0644);
  if (f >= 0 && f != fd) {
    dup2(f, fd);
    ::close(f);
  }
}

std::uint32_t Card32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

// Waits up to limitMs until the file at path holds a whole line; that line, or empty.
std::string WaitForLine(const std::string& path, int limitMs) {
  std::string line;
  WaitFor(
      [&] {
        line = ReadFile(path);
        return !line.empty() && line.back() == '\n';
      },
      limitMs);
  return line.empty() || line.back() != '\n' ? "" : line.substr(0, line.size() - 1);
}

}  // namespace

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool WaitFor(const std::function<bool()>& check, int limitMs, int stepMs) {
  const std::int64_t end = NowMs() + limitMs;
  while (true) {
    if (check()) return true;
    if (NowMs() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

Child::Child(const std::vector<std::string>& argv, const Env& env, const std::string& workDir,
             const std::string& outFile, const std::string& errFile,
             std::vector<std::filesystem::path> links)
    : links_(std::move(links)) {
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = EnvironmentOf(env);
  const std::vector<char*> a = Pointers(arguments);
  const std::vector<char*> e = Pointers(environment);
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // dies with the test program
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
    RedirectTo(STDIN_FILENO, "", O_RDONLY);
    RedirectTo(STDOUT_FILENO, outFile, O_WRONLY | O_CREAT | O_TRUNC);
    RedirectTo(STDERR_FILENO, errFile, O_WRONLY | O_CREAT | O_TRUNC);
    execvpe(a[0], a.data(), e.data());
    _exit(127);
  }
}

Child::~Child() {
  Kill();
  std::error_code ec;
  for (const auto& link : links_) std::filesystem::remove(link, ec);
}

bool Child::Ended() {
  if (pid_ <= 0 || ended_) return true;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
  ended_ = true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

int Child::WaitExit(int limitMs) {
  if (!WaitFor([this] { return Ended(); }, limitMs)) {
    Kill();
    return -1;
  }
  return exitCode_;
}

void Child::Kill() {
  if (pid_ <= 0 || Ended()) return;
  ::kill(pid_, SIGTERM);
  if (!WaitFor([this] { return Ended(); }, 1000)) {
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    ended_ = true;
  }
}

Sim::Sim(const TempDir& dir, const std::vector<std::string>& args) : logPath_(dir.File("sim.log")) {
  const std::string link = dir.File("sim.link");
  std::vector<std::string> argv{TAVOLIN_SIM_PROGRAM, "--log", logPath_, "--link-file", link};
  argv.insert(argv.end(), args.begin(), args.end());
  child_ = std::make_unique<Child>(argv, Env{}, "", "", dir.File("sim.err"));
  device_ = WaitForLine(link, 5000);
}

std::size_t Sim::WaitForLog(const std::string& text, int limitMs, std::size_t from) const {
  std::size_t at = std::string::npos;
  WaitFor(
      [&] {
        at = Log().find(text, from);
        return at != std::string::npos;
      },
      limitMs);
  return at;
}

std::vector<std::uint8_t> Sim::HostBytes(std::size_t from) const {
  std::vector<std::uint8_t> bytes;
  std::istringstream lines(Log().substr(std::min(from, Log().size())));
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t at = line.find(" host:");
    if (at == std::string::npos) continue;
    std::istringstream hex(line.substr(at + 6));
    unsigned value = 0;
    while (hex >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

XServer::XServer() {
  xvfb_ = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen",
                                                           "0", "1024x768x24", "-nolisten", "tcp"},
                                  Env{}, "", dir_.File("display"), "");
  const std::string number = WaitForLine(dir_.File("display"), 10000);
  if (!number.empty()) display_ = ":" + number;
}

std::string XServer::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv);
}

std::string XServer::Run(const std::vector<std::string>& argv) const {
  const std::string out = dir_.File("run.out");
  Child(argv, Env{{"DISPLAY", display_}}, "", out, "").WaitExit(10000);
  return ReadFile(out);
}

std::string XServer::FindWindow(const std::string& title, int limitMs) const {
  std::string id;
  WaitFor(
      [&] {
        std::istringstream found(Xdotool({"search", "--onlyvisible", "--name", title}));
        found >> id;
        return !id.empty();
      },
      limitMs);
  return id;
}

WindowPixels XServer::Grab(const std::string& window) const {
  // The dump's header is big-endian 32-bit fields; a 24-bit screen has 32-bit pixels, in the
  // byte order the header names, red in the mask 0xFF0000.
  const std::string dump = Run({"xwd", "-silent", "-id", window});
  constexpr std::size_t kFields = 25;
  if (dump.size() < kFields * 4) return {};
  const std::uint32_t headerSize = Card32(dump, 0);
  const std::uint32_t width = Card32(dump, 4 * 4);
  const std::uint32_t height = Card32(dump, 5 * 4);
  const std::uint32_t byteOrder = Card32(dump, 7 * 4);
  const std::uint32_t bitsPerPixel = Card32(dump, 11 * 4);
  const std::uint32_t bytesPerLine = Card32(dump, 12 * 4);
  const std::uint32_t colours = Card32(dump, 19 * 4);
  const std::size_t data = headerSize + static_cast<std::size_t>(colours) * 12;
  if (bitsPerPixel != 32 || width == 0 || width > 8192 || height > 8192 ||
      dump.size() < data + static_cast<std::size_t>(bytesPerLine) * height) {
    return {};
  }
  WindowPixels grab;
  grab.width = static_cast<int>(width);
  grab.height = static_cast<int>(height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = data + static_cast<std::size_t>(y) * bytesPerLine + x * 4;
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < 4; ++i) {
        const auto b = static_cast<unsigned char>(dump[at + (byteOrder == 0 ? 3 - i : i)]);
        v = (v << 8) | b;
      }
      grab.pixels.push_back(v & 0xFFFFFFu);
    }
  }
  return grab;
}

const Launcher& Launcher::Get() {
  const char* name = getenv("TAVOLIN_E2E_LAUNCHER");
  static const Launcher launcher(name != nullptr && std::string(name) == "wine");
  return launcher;
}

std::string Launcher::Missing() const {
  if (!wine_) return std::filesystem::exists(TAVOLIN_PROGRAM) ? "" : TAVOLIN_PROGRAM;
  std::string missing;
  if (!std::filesystem::exists(TAVOLIN_WINDOWS_PROGRAM)) {
    missing += std::string(TAVOLIN_WINDOWS_PROGRAM) + " (tools/build-windows.sh builds it) ";
  }
  if (!HaveProgram("wine")) missing += "wine ";
  return missing;
}

std::string Launcher::Path(const std::string& path) const {
  if (!wine_) return path;
  std::string out = "Z:" + path;  // Wine's drive Z: is the root
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::unique_ptr<Child> Launcher::Start(const Launch& launch) const {
  Env env = launch.env;
  if (!launch.display.empty()) env["DISPLAY"] = launch.display;
  std::vector<std::string> argv{TAVOLIN_PROGRAM};
  std::vector<std::filesystem::path> links;
  if (wine_) {
    const char* prefix = launch.display.empty() ? TAVOLIN_WINE_PREFIX : TAVOLIN_WINE_X_PREFIX;
    env["TAVOLIN_WINEPREFIX"] = prefix;
    argv = {TAVOLIN_WINE_RUN, TAVOLIN_WINDOWS_PROGRAM};
    // A port is a link in the prefix's dosdevices, so the prefix is made first (by a program
    // that does nothing): a dosdevices folder made by anyone else spoils a new prefix.
    if (!std::filesystem::exists(std::filesystem::path(prefix) /
                                 "drive_c/windows/system32/kernel32.dll")) {
      Env boot = env;
      boot.erase("DISPLAY");
      Child({TAVOLIN_WINE_RUN, "cmd.exe", "/c", "exit"}, boot, "", "", "").WaitExit(120000);
    }
    const std::filesystem::path devices = std::filesystem::path(prefix) / "dosdevices";
    std::error_code ec;
    for (const auto& [n, device] : launch.ports) {
      const auto link = devices / ("com" + std::to_string(n));
      std::filesystem::remove(link, ec);
      if (!std::filesystem::exists(device)) continue;
      std::filesystem::create_symlink(device, link, ec);
      links.push_back(link);
    }
  } else {
    for (const auto& [n, device] : launch.ports) env["TAVOLIN_COM" + std::to_string(n)] = device;
  }
  argv.insert(argv.end(), launch.args.begin(), launch.args.end());
  return std::make_unique<Child>(argv, env, launch.workDir, launch.outFile, launch.errFile,
                                 std::move(links));
}

bool Launcher::OpenDisplay(const std::string& display) const {
  if (!wine_) return true;
  CloseDisplay();  // a server left by an interrupted run would still be on that run's display
  Child boot({TAVOLIN_WINE_RUN, "cmd.exe", "/c", "exit"},
             Env{{"DISPLAY", display}, {"TAVOLIN_WINEPREFIX", TAVOLIN_WINE_X_PREFIX}}, "", "", "");
  return boot.WaitExit(120000) == 0;  // a new prefix takes 10 to 20 s, more on a busy machine
}

void Launcher::CloseDisplay() const {
  if (!wine_ || !std::filesystem::exists(TAVOLIN_WINE_X_PREFIX)) return;
  Child stop({"wineserver", "-k"}, Env{{"WINEPREFIX", TAVOLIN_WINE_X_PREFIX}}, "", "", "");
  stop.WaitExit(10000);
}

}  // namespace tavolin::e2e
