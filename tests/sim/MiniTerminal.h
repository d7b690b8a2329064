// A small stand-in for the host's display side, for the firmware tests: it decodes what the chip
// sends (control codes, graphics commands, glyphs), keeps the text printed since the last clear,
// and answers pixel tests, queries, sector requests and size requests the way the host does.
// Graphics-mode reading of codes 10 and 11 (one parameter each).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavolin::sim::test {

struct Command {
  std::uint8_t op;
  int x;
  int y;
  std::uint8_t rawX;
  std::uint8_t rawY;
};

struct Request {
  char letter;
  std::string name;
};

class MiniTerminal {
 public:
  // Answers the host would give; empty optional: no answer.
  std::function<std::uint8_t(int x, int y)> pixel = [](int, int) -> std::uint8_t { return 0xFE; };
  std::string timeAnswer = "14:05:09";
  std::optional<std::vector<std::uint8_t>> preparedFile;

  std::vector<Command> commands;
  std::vector<Request> requests;
  std::string mirror;  // glyphs since the last clear
  int clears = 0;
  int col = 0;
  int row = 0;
  int lastRowOverflows = 0;  // glyphs in the last column of row 24 (the screen would scroll)
  bool answerPixels = true;
  int badOps = 0;
  int glyphs = 0;

  // Feeds chip bytes; returns the bytes the host writes back in answer.
  std::vector<std::uint8_t> Take(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> reply;
    for (std::uint8_t b : bytes) {
      pending_.push_back(b);
      Step(reply);
    }
    return reply;
  }
  bool Complete() const { return pending_.empty(); }
  int CountOp(std::uint8_t op) const {
    int n = 0;
    for (const Command& c : commands) n += c.op == op;
    return n;
  }

 private:
  void Step(std::vector<std::uint8_t>& reply) {
    const std::uint8_t code = pending_[0];
    if (code == 5) {
      if (pending_.size() < 4) return;
      Graphics(reply);
    } else if (code == 10 || code == 11 || code == 12) {
      if (pending_.size() < 2) return;
    } else if (code == 0 || code == 1) {
      ++clears;
      mirror.clear();
      col = row = 0;
    } else if (code >= 14 && code != 200) {
      ++glyphs;
      if (row == 24 && col >= 79) ++lastRowOverflows;
      if (++col >= 80) {
        col = 0;
        ++row;
      }
      mirror.push_back(static_cast<char>(code));
    }
    pending_.clear();
  }

  void Graphics(std::vector<std::uint8_t>& reply) {
    const std::uint8_t c = pending_[1];
    Command cmd{static_cast<std::uint8_t>(c & 0x8F), pending_[2] * 2 + ((c >> 5) & 1),
                pending_[3] * 2 + ((c >> 4) & 1), pending_[2], pending_[3]};
    commands.push_back(cmd);
    const bool known = cmd.op <= 0x0C || cmd.op == 0x0E || cmd.op == 0x81 || cmd.op == 0x82;
    if (!known) ++badOps;
    if (cmd.op == 0x09 && answerPixels) reply.push_back(pixel(cmd.x, cmd.y));
    if (cmd.op == 0x0C) {
      col = cmd.rawX % 80;
      row = cmd.rawY % 25;
    }
    if (cmd.op == 0x81 && cmd.x < 255) {
      std::string answer;
      if (cmd.x == 2) answer = "1796565909";
      if (cmd.x == 4) answer = timeAnswer;
      if (cmd.x == 6) answer = "12.06 2026";
      if (cmd.x == 8) answer = "12599103";
      if (!answer.empty()) {
        answer += '\r';
        reply.insert(reply.end(), answer.begin(), answer.end());
      }
    }
    if (cmd.op == 0x81 && cmd.x >= 255 && preparedFile) {
      const int s = (cmd.x - 256) * 128 + cmd.rawY;
      std::int32_t sum = 0;
      for (int i = 0; i < 512; ++i) {
        const std::size_t at = static_cast<std::size_t>(s) * 512 + static_cast<std::size_t>(i);
        const std::uint8_t b = at < preparedFile->size() ? (*preparedFile)[at] : 0;
        sum += static_cast<std::int8_t>(b);
        reply.push_back(b);
      }
      for (int i = 0; i < 4; ++i) {
        reply.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(sum) >> (8 * i)));
      }
    }
    if (cmd.op == 0x82 && cmd.x == 2 * static_cast<int>(mirror.size())) {
      requests.push_back({static_cast<char>(cmd.y / 2), mirror});
    }
  }

  std::vector<std::uint8_t> pending_;
};

}  // namespace tavolin::sim::test
