#include "sim/DisplayFirmware.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "sim/DemoPages.h"
#include "sim/DisplayBytes.h"

namespace tavolin::sim {

namespace {

bool IsKeyCode(std::uint8_t b) {
  return (b >= 0xC0 && b <= 0xCB) || (b >= 0xD0 && b <= 0xDB);
}
bool IsPrintable(std::uint8_t b) {
  return (b >= 0x20 && b <= 0x7E) || (b >= 0xA0 && !IsKeyCode(b) && b != 0xFE && b != 0xFF);
}
bool InAnswer(std::uint8_t b) {
  return (b >= '0' && b <= '9') || b == ':' || b == '.' || b == ' ' || b == '-';
}
std::string HexByte(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

}  // namespace

DisplayFirmware::DisplayFirmware(ChipContext& chip, const DisplayOptions& options)
    : chip_(chip), options_(options), transfer_(chip, TransferOptions{}) {}

void DisplayFirmware::Start(std::int64_t atUs) {
  steps_.clear();
  waiting_ = false;
  mouse_.clear();
  buttons_ = 0;
  pointerShown_ = false;
  input_.clear();
  log_.clear();
  ShowDemo();
  const std::int64_t from = atUs + std::int64_t{options_.startupMs} * 1000;
  nextClockUs_ = from;
  Pump(from);
}

void DisplayFirmware::Queue(Step step) {
  steps_.push_back(std::move(step));
}

void DisplayFirmware::Pump(std::int64_t atUs) {
  while (!waiting_ && !steps_.empty()) {
    current_ = std::move(steps_.front());
    steps_.pop_front();
    if (current_.make) current_.bytes = current_.make();
    std::vector<std::uint8_t> bytes;
    const bool wrap = current_.draws && pointerShown_ && !current_.bytes.empty();
    if (wrap) bytes = DisplayBytes().Pointer(pointerX_, pointerY_).bytes;
    bytes.insert(bytes.end(), current_.bytes.begin(), current_.bytes.end());
    if (current_.clears) {
      pointerShown_ = false;
    } else if (wrap) {
      const auto again = DisplayBytes().Pointer(pointerX_, pointerY_).bytes;
      bytes.insert(bytes.end(), again.begin(), again.end());
    }
    if (!bytes.empty()) chip_.Send(bytes, atUs);
    if (current_.wait == Wait::None) {
      if (current_.done) current_.done("", true, atUs);
      continue;
    }
    waiting_ = true;
    answer_.clear();
    deadlineUs_ = chip_.SentByUs(atUs) + std::int64_t{current_.waitMs} * 1000;
    if (current_.wait == Wait::Transfer) transfer_.Expect(atUs, current_.waitMs);
  }
}

void DisplayFirmware::Complete(bool ok, std::int64_t atUs) {
  waiting_ = false;
  const Done done = current_.done;
  if (done) done(answer_, ok, atUs);
  Pump(atUs);
}

void DisplayFirmware::OnByte(std::uint8_t byte, std::int64_t atUs) {
  Advance(atUs);
  if (waiting_ && current_.wait == Wait::Transfer) {
    transfer_.OnByte(byte, atUs);
    if (!transfer_.Active()) Complete(transfer_.state() == TransferPeer::State::Done, atUs);
    return;
  }
  if (waiting_ && current_.wait == Wait::Binary) {
    answer_.push_back(static_cast<char>(byte));
    if (answer_.size() == current_.count) Complete(true, atUs);
    return;
  }
  if (!mouse_.empty() || byte == 5) {
    mouse_.push_back(byte);
    if (mouse_.size() == 4) Mouse(atUs);
    return;
  }
  if (waiting_ && current_.wait == Wait::Pixel && (byte == 0xFE || byte == 0xFF)) {
    answer_.assign(1, static_cast<char>(byte));
    Complete(true, atUs);
    return;
  }
  if (waiting_ && current_.wait == Wait::Text && (byte == '\r' || InAnswer(byte))) {
    if (byte == '\r') {
      Complete(true, atUs);
    } else if (answer_.size() < 32) {
      answer_.push_back(static_cast<char>(byte));
    }
    return;
  }
  Key(byte, atUs);
}

void DisplayFirmware::Advance(std::int64_t nowUs) {
  if (waiting_ && current_.wait == Wait::Transfer) {
    transfer_.Advance(nowUs);
    if (!transfer_.Active()) Complete(false, nowUs);
  } else if (waiting_ && nowUs > deadlineUs_) {
    Complete(false, deadlineUs_);
  }
  if (!options_.clock || !Idle() || nowUs < nextClockUs_) return;
  const std::int64_t period = std::int64_t{options_.clockPeriodMs} * 1000;
  const std::int64_t at = nextClockUs_;
  nextClockUs_ += period;
  if (nextClockUs_ <= nowUs) nextClockUs_ = nowUs + period;  // after a long quiet spell
  Step step;
  step.bytes = DisplayBytes().QueryOp(Query::Time).bytes;
  step.draws = false;
  step.wait = Wait::Text;
  step.waitMs = options_.answerWaitMs;
  step.done = [this](const std::string& answer, bool ok, std::int64_t) {
    if (!ok || answer.size() != 8) return;
    clock_ = answer;
    Step show;
    show.bytes = DisplayBytes()
                     .At(demo::kClockCol, demo::kClockRow)
                     .Color(demo::kTitleColor)
                     .Text(answer)
                     .bytes;
    steps_.push_front(std::move(show));
  };
  Queue(std::move(step));
  Pump(at);
}

void DisplayFirmware::Log(const std::string& line) {
  log_.push_back(line);
  const std::size_t first = log_.size() > demo::kLogLines ? log_.size() - demo::kLogLines : 0;
  Step step;
  for (std::size_t i = first; i < log_.size(); ++i) {
    const auto row = static_cast<int>(demo::kLogRow + (i - first));
    const auto text = TextLine(0, row, 5, log_[i]);
    step.bytes.insert(step.bytes.end(), text.begin(), text.end());
  }
  Queue(std::move(step));
}

void DisplayFirmware::ShowDemo() {
  Step page;
  page.bytes = DemoPage();
  page.clears = true;
  Queue(std::move(page));
  auto pixelTest = [this](int x, int y, Done done) {
    Step step;
    step.bytes = DisplayBytes().Op(op::kPixelTest, x, y).bytes;
    step.draws = false;
    step.wait = Wait::Pixel;
    step.waitMs = options_.answerWaitMs;
    step.done = std::move(done);
    Queue(std::move(step));
  };
  auto lit = std::make_shared<std::string>();
  pixelTest(demo::kLitX, demo::kLitY, [lit](const std::string& a, bool ok, std::int64_t) {
    *lit = ok ? HexByte(static_cast<std::uint8_t>(a[0])) : "none";
  });
  pixelTest(demo::kDarkX, demo::kDarkY,
            [this, lit](const std::string& a, bool ok, std::int64_t at) {
              const std::string dark = ok ? HexByte(static_cast<std::uint8_t>(a[0])) : "none";
              const bool right = *lit == "0xFF" && dark == "0xFE";
              // In the log too, so a test of the whole program can read what the host's picture
              // holds.
              chip_.Note("pixel test: (" + std::to_string(demo::kLitX) + "," +
                             std::to_string(demo::kLitY) + ") " + *lit + ", (" +
                             std::to_string(demo::kDarkX) + "," + std::to_string(demo::kDarkY) +
                             ") " + dark,
                         at);
              Step show;
              show.bytes = TextLine(0, demo::kPixelRow, right ? 5 : 2,
                                    "Pixel test: lit " + *lit + ", dark " + dark +
                                        (right ? " - as drawn" : " - not as drawn"));
              steps_.push_front(std::move(show));
            });
  if (!input_.empty()) {
    Step echo;
    echo.bytes = DisplayBytes().At(demo::kInputCol, demo::kInputRow).Color(0).Text(input_).bytes;
    Queue(std::move(echo));
  }
}

void DisplayFirmware::Key(std::uint8_t key, std::int64_t atUs) {
  std::string shown = "Last key: " + HexByte(key);
  if (IsPrintable(key)) shown += std::string(" '") + static_cast<char>(key) + "'";
  Step last;
  last.bytes = TextLine(0, demo::kLastKeyRow, 7, shown);
  Queue(std::move(last));
  switch (key) {
    case 0xD0:
      ShowDemo();
      break;
    case 0xD1: {
      Step page;
      page.bytes = TeletypePage();
      page.clears = true;
      Queue(std::move(page));
      break;
    }
    case 0xD2: {
      Step page;
      page.bytes = GraphicsTextPage();
      page.clears = true;
      Queue(std::move(page));
      break;
    }
    case 0xD3:
      Queries();
      break;
    case 0xD4:
      SectorZero();
      break;
    case 0xD5:
      Request('o');
      break;
    case 0xD6:
      Request('f');
      break;
    case 0xD7:
      Request('a');
      break;
    case 0xD8:
      Request('t');
      break;
    case 0xDA:
      Request('s');
      break;
    case 0xDB:
      Request('b');
      break;
    case 0xCA:
      Request('e');
      break;
    case 0xC9:
      Request('i');
      break;
    case 8:
    case 0xC8:
      if (!input_.empty()) {
        input_.pop_back();
        Step erase;
        erase.bytes = DisplayBytes()
                          .At(demo::kInputCol + static_cast<int>(input_.size()), demo::kInputRow)
                          .Text(" ")
                          .bytes;
        Queue(std::move(erase));
      }
      break;
    case 13: {
      if (!input_.empty()) lastLine_ = input_;
      const std::string line = input_;
      input_.clear();
      Step clear;
      clear.bytes = TextLine(demo::kInputCol, demo::kInputRow, 0, "");
      Queue(std::move(clear));
      if (!line.empty()) Log("Line: " + line);
      break;
    }
    default:
      if (IsPrintable(key) && input_.size() < demo::kInputMax) {
        Step echo;
        echo.bytes = DisplayBytes()
                         .At(demo::kInputCol + static_cast<int>(input_.size()), demo::kInputRow)
                         .Color(0)
                         .Byte(key)
                         .bytes;
        input_.push_back(static_cast<char>(key));
        Queue(std::move(echo));
      }
      break;
  }
  Pump(atUs);
}

void DisplayFirmware::Mouse(std::int64_t atUs) {
  const int b = mouse_[1];
  const int x = mouse_[2] * 2 + ((b >> 5) & 1);
  const int y = mouse_[3] * 2 + ((b >> 4) & 1);
  mouse_.clear();
  const int pressed = (b & 3) & ~buttons_;
  buttons_ = b & 3;
  Step step;
  step.draws = false;
  // Made when it is sent: the pointer to erase is the one on the screen at that moment.
  step.make = [this, x, y, pressed] {
    DisplayBytes out;
    if (pointerShown_) out.Pointer(pointerX_, pointerY_);
    if ((pressed & 1) != 0 && x >= 3) {
      paint_ = paint_ % 7 + 1;
      out.Color(static_cast<std::uint8_t>(paint_)).Move(x - 3, y).Op(op::kCircle, x, y);
    }
    if ((pressed & 2) != 0) {
      out.Color(0).Move(std::max(x - 8, 0), std::max(y - 8, 0));
      out.Op(op::kInvertBox, std::min(x + 8, 511), std::min(y + 8, 511));
    }
    out.Pointer(x, y);
    pointerX_ = x;
    pointerY_ = y;
    pointerShown_ = true;
    return out.bytes;
  };
  Queue(std::move(step));
  Pump(atUs);
}

void DisplayFirmware::Queries() {
  queryAnswers_.clear();
  const Query kinds[] = {Query::Seconds, Query::Time, Query::Date, Query::PaletteXor};
  for (std::size_t i = 0; i < 4; ++i) {
    Step step;
    step.bytes = DisplayBytes().QueryOp(kinds[i]).bytes;
    step.draws = false;
    step.wait = Wait::Text;
    step.waitMs = options_.answerWaitMs;
    const bool last = i == 3;
    step.done = [this, last](const std::string& answer, bool ok, std::int64_t) {
      queryAnswers_.push_back(ok ? answer : "?");
      if (!last) return;
      Log("Seconds " + queryAnswers_[0] + "  time " + queryAnswers_[1] + "  date " +
          queryAnswers_[2] + "  palette 7^6 " + queryAnswers_[3]);
    };
    Queue(std::move(step));
  }
}

void DisplayFirmware::SectorZero() {
  Step step;
  step.bytes = DisplayBytes().Sector(0).bytes;
  step.draws = false;
  step.wait = Wait::Binary;
  step.count = 516;
  step.waitMs = options_.binaryWaitMs;
  step.done = [this](const std::string& answer, bool ok, std::int64_t) {
    if (!ok) {
      Log("Sector 0: no answer (no prepared file?)");
      return;
    }
    std::int32_t sum = 0;
    std::string start;
    for (std::size_t i = 0; i < 512; ++i) {
      const auto b = static_cast<std::uint8_t>(answer[i]);
      sum += static_cast<std::int8_t>(b);
      if (i < 16) start += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    }
    std::uint32_t sent = 0;
    for (int i = 0; i < 4; ++i)
      sent |= std::uint32_t{static_cast<std::uint8_t>(answer[512 + i])} << (8 * i);
    const bool match = static_cast<std::int32_t>(sent) == sum;
    Log("Sector 0: 512 bytes \"" + start + "\", sum " + std::to_string(sum) +
        (match ? " as sent"
               : " but the PC sent " + std::to_string(static_cast<std::int32_t>(sent))));
  };
  Queue(std::move(step));
}

std::string DisplayFirmware::Name() const {
  return input_.empty() ? lastLine_ : input_;
}

void DisplayFirmware::Request(char letter) {
  std::string name = (letter == 'o' || letter == 'a') ? "" : Name();
  if (letter == 'f' && name.empty()) name = "*.*";
  Step ask;
  ask.bytes = DisplayBytes().Clear().Text(name).HostRequest(letter, name.size()).bytes;
  ask.clears = true;
  const std::string label = std::string("Request ") + letter + " \"" + name + "\": ";
  if (letter == 'o') {
    ask.wait = Wait::Binary;
    ask.count = 4;
    ask.waitMs = options_.binaryWaitMs;
    ask.done = [this, label](const std::string& answer, bool ok, std::int64_t) {
      ShowDemo();
      if (!ok) {
        Log(label + "no answer");
        return;
      }
      std::uint32_t size = 0;
      for (int i = 0; i < 4; ++i)
        size |= std::uint32_t{static_cast<std::uint8_t>(answer[i])} << (8 * i);
      Log(label + "prepared file size " + std::to_string(static_cast<std::int32_t>(size)));
    };
  } else if (letter == 'f' || letter == 'a') {
    ask.wait = Wait::Transfer;
    ask.waitMs = name == "*.*" ? options_.pickWaitMs : options_.transferWaitMs;
    ask.done = [this, label](const std::string&, bool, std::int64_t) {
      ShowDemo();
      Log(label + (transfer_.size() == 0 && transfer_.data().empty() ? "no file came"
                                                                     : transfer_.Summary()));
    };
  } else {
    if (letter == 'b' || letter == 'e') {
      // A program that asks for a new image stops and waits for the reset the load brings; it
      // does not draw on while the host reads the name.
      ask.wait = Wait::Text;
      ask.waitMs = options_.imageRequestWaitMs;
    } else {
      ask.wait = Wait::Pause;  // what the host sends meanwhile is keys, as ever
      ask.waitMs = options_.requestPauseMs;
    }
    ask.done = [this, label, letter](const std::string&, bool, std::int64_t) {
      ShowDemo();
      const char* what = letter == 't'   ? "the PC sends the text file"
                         : letter == 's' ? "the PC saves the previous text"
                         : letter == 'i' ? "the PC opens it"
                                         : "the PC loads the image";
      Log(label + what);
    };
  }
  Queue(std::move(ask));
}

}  // namespace tavolin::sim
