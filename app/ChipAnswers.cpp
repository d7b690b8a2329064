#include "app/ChipAnswers.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/RegularFile.h"

namespace tavolin {

namespace {

void Send(AppState& app, const std::string& text) {
  app.port.WriteRaw(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void AnswerQuery(AppState& app, int x) {
  const LocalDateTime now = app.platform.clock.LocalNow();
  switch (x) {
    case 2:
      Send(app, std::to_string(SecondsSince1970(now)) + "\r");
      break;
    case 4:
      Send(app, FormatTime(now) + "\r");
      break;
    case 6:
      Send(app, FormatDate(now) + "\r");
      break;
    case 8: {
      const std::uint32_t v = (app.settings.palette[7] ^ app.settings.palette[6]) & 0xFFFFFFu;
      Send(app, std::to_string(v) + "\r");
      break;
    }
    default:
      break;
  }
}

void SendFileBlock(AppState& app, std::int32_t block) {
  if (app.PreparedFile.empty()) return;
  std::ifstream file;  // reading does not lock others out
  if (!OpenRegularFile(app.PreparedFile, file)) return;
  app.settings.MsMoveOff = 1;  // no mouse reports in the middle of the block
  std::uint8_t* data = app.SendBuffer.data();
  std::fill(data, data + kFileBlockSize, std::uint8_t{0});
  bool readable = true;
  if (block >= 0) {
    file.seekg(static_cast<std::streamoff>(block) * static_cast<std::streamoff>(kFileBlockSize));
    readable = static_cast<bool>(file);
  }
  // A negative block cannot be sought: the file stays at its start.
  if (readable) {
    file.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(kFileBlockSize));
  }
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < kFileBlockSize; ++i) sum += static_cast<std::int8_t>(data[i]);
  app.port.WriteRaw(data, kFileBlockSize);
  const auto u = static_cast<std::uint32_t>(sum);
  const std::uint8_t tail[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                static_cast<std::uint8_t>(u >> 16),
                                static_cast<std::uint8_t>(u >> 24)};
  app.port.WriteRaw(tail, sizeof tail);
  app.settings.MsMoveOff = app.NormalTerminalMode != 0 ? 1 : 0;
}

}  // namespace

void AnswerQuestions(AppState& app) {
  for (const ChipQuestion& q : app.interpreter.questions) {
    if (q.kind == ChipQuestion::Kind::Query) {
      AnswerQuery(app, q.value);
    } else {
      SendFileBlock(app, q.value);
    }
  }
  app.interpreter.questions.clear();
}

long long SecondsSince1970(const LocalDateTime& t) {
  // Days from the civil date (proleptic Gregorian calendar).
  const long long y = static_cast<long long>(t.year) - (t.month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long m = t.month;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = era * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

std::string FormatTime(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

std::string FormatDate(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d %04d", t.month, t.day, t.year);
  return text;
}

}  // namespace tavolin
