// How late does the window see the chip's bytes?  Plays the chip on a pseudo-terminal: prints a
// character and then asks for the time (the display query 5, 0x81, 1, 0), which the window
// answers in the cycle in which it has drawn the character.  The time from the write to the
// answer's CR is the delay from the chip's byte to the picture, plus two trips through the
// pseudo-terminal.  The samples start at random moments, so that a window that only looks at
// the port on its 40 ms tick shows its average wait.
//
//   echo-latency --link-file FILE [--samples N]
//
// Writes the pseudo-terminal's path to FILE and waits (up to a minute) for a window to open it
// and answer; bench/echo-latency.sh starts the window.  Prints the median, the 95th percentile
// and the largest delay in milliseconds.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned char kAsk[] = {'x', 5, 0x81, 1, 0};
constexpr int kAnswerWaitMs = 2000;

// Empties what the window sent so far.
void Drain(int fd) {
  unsigned char buffer[256];
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0 || (p.revents & POLLIN) == 0) return;
    if (read(fd, buffer, sizeof(buffer)) <= 0) return;
  }
}

// Asks once; the delay in milliseconds until the answer's CR, or a negative number when none came.
double AskOnce(int fd) {
  Drain(fd);
  const Clock::time_point start = Clock::now();
  if (write(fd, kAsk, sizeof(kAsk)) != static_cast<ssize_t>(sizeof(kAsk))) return -1;
  const Clock::time_point deadline = start + std::chrono::milliseconds(kAnswerWaitMs);
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return -1;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    unsigned char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) continue;  // nobody has the port open yet
    if (std::memchr(buffer, '\r', static_cast<std::size_t>(n)) != nullptr) {
      return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
  }
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const std::size_t at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[at];
}

}  // namespace

int main(int argc, char** argv) {
  std::string linkFile;
  int samples = 200;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--link-file") {
      linkFile = argv[i + 1];
    } else if (arg == "--samples") {
      samples = std::max(1, std::atoi(argv[i + 1]));
    }
  }
  if (linkFile.empty()) {
    std::fprintf(stderr, "usage: echo-latency --link-file FILE [--samples N]\n");
    return 2;
  }
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  tcsetattr(master, TCSANOW, &raw);
  // The slave stays open here as well, so that the window's open and close are no hang-ups.
  std::ofstream(linkFile) << ttyname(slave) << "\n";

  // Until the window has opened the port and answers.
  bool answered = false;
  for (int i = 0; i < 60 && !answered; ++i) answered = AskOnce(master) >= 0;
  if (!answered) {
    std::fprintf(stderr, "echo-latency: no answer from a window\n");
    return 1;
  }
  for (int i = 0; i < 5; ++i) AskOnce(master);  // the window settles

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pauseUs(5000, 45000);
  std::vector<double> delays;
  int missed = 0;
  for (int i = 0; i < samples; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    const double ms = AskOnce(master);
    if (ms < 0) {
      ++missed;
    } else {
      delays.push_back(ms);
    }
  }
  if (delays.empty()) {
    std::fprintf(stderr, "echo-latency: no answer in %d samples\n", samples);
    return 1;
  }
  std::printf("echo latency over %zu samples (%d unanswered): median %.2f ms, 95th percentile "
              "%.2f ms, largest %.2f ms\n",
              delays.size(), missed, Percentile(delays, 0.5), Percentile(delays, 0.95),
              Percentile(delays, 1.0));
  close(master);
  close(slave);
  return missed == 0 ? 0 : 1;
}
