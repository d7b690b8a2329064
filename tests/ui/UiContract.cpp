// The cases of the window contract; see UiContract.h.
#include "UiContract.h"

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/MenuIds.h"
#include "app/MenuTable.h"

namespace tavolin::contract {
namespace {

using K = Event::Kind;

// The colour the screen shows at (x, y), 0x00RRGGBB; 0xFF000000 outside what was read.
std::uint32_t At(const Image& screen, int x, int y) {
  return screen.Contains(x, y) ? screen.At(x, y) & 0xFFFFFFu : 0xFF000000u;
}

struct Probe {
  int x, y;
  std::uint32_t want;
};

void ExpectPixels(const Image& screen, std::initializer_list<Probe> probes) {
  for (const Probe& p : probes) EXPECT_EQ(At(screen, p.x, p.y), p.want) << p.x << "," << p.y;
}

// The menu the table describes, in the harness's line form, read independently of any window.
std::vector<std::string> MenuLinesOfTheTable() {
  using MK = MenuEntry::Kind;
  std::vector<std::string> lines;
  std::string indent;
  for (const MenuEntry& e : MenuTable()) {
    switch (e.kind) {
      case MK::Menu:
        indent.clear();
        [[fallthrough]];
      case MK::SubmenuBegin:
        lines.push_back(indent + ">" + e.text);
        indent += "  ";
        break;
      case MK::Separator:
        lines.push_back(indent + "-");
        break;
      case MK::SubmenuEnd:
        indent.resize(indent.size() - 2);
        break;
      case MK::Command:
      case MK::Check:
        lines.push_back(indent + e.text);
        break;
    }
  }
  return lines;
}

TEST_P(UiContract, WindowHasItsTitlePlaceAndAFixedContentSize) {
  EXPECT_EQ(h_->Title(), "Tavolin for P2 Monitor");
  const Rect frame = h_->Frame();
  EXPECT_EQ(frame.x, 100);
  EXPECT_EQ(frame.y, 200);
  EXPECT_FALSE(h_->Resizable());
  EXPECT_FALSE(h_->HasMaximiseButton());
  EXPECT_TRUE(h_->HasMinimiseButton());
  // The picture sits below the menu line; the menu bar's own height may differ from the line's
  // by a few pixels (each implementation's tests pin its rule).
  for (const auto& [width, height] :
       {std::pair{kWidth, kHeight}, std::pair{1280, 871}, std::pair{320, 106}}) {
    h_->ui().SetContentSize(width, height);
    const Rect client = h_->Client();
    EXPECT_EQ(client.width, width) << width << "x" << height;
    EXPECT_NEAR(client.height, height - kMenuLineHeight, 3) << width << "x" << height;
    EXPECT_EQ(h_->Frame().x, 100) << "resizing keeps the place";
  }
}

// The menu is built from the table, and independently of the table every command id 1..27 but
// the unused 6 is on it exactly once; choosing an item sends its id and nothing else.
TEST_P(UiContract, MenuFollowsTheTableAndEveryItemSendsItsId) {
  EXPECT_EQ(h_->MenuLines(), MenuLinesOfTheTable());
  std::map<int, int> seen;
  for (const MenuEntry& e : MenuTable()) {
    if (e.kind != MenuEntry::Kind::Command && e.kind != MenuEntry::Kind::Check) continue;
    ++seen[e.id];
    EXPECT_EQ(h_->MenuText(e.id), e.text) << e.id;
    h_->ChooseMenu(e.id);
    EXPECT_EQ(Describe(h_->TakeEvents()), Describe({{K::MenuCommand, e.id}})) << e.id;
  }
  for (int id = 1; id <= 27; ++id) EXPECT_EQ(seen[id], id == 6 ? 0 : 1) << id;
  EXPECT_EQ(h_->MenuText(6), "");
  EXPECT_EQ(h_->MenuText(28), "");
}

// The core owns every mark: choosing an item leaves its mark alone, marks of one group are not
// exclusive, and an id the menu does not have changes nothing.
TEST_P(UiContract, CheckMarksAndGreyingAreTheCoresAlone) {
  for (const int id : {menu::kComEnabled, menu::kAutoMode, menu::kBaudFirst + 3, menu::kCrAutoLf}) {
    EXPECT_FALSE(h_->MenuChecked(id)) << id;
    h_->ui().SetMenuChecked(id, true);
    EXPECT_TRUE(h_->MenuChecked(id)) << id;
    h_->ChooseMenu(id);
    h_->TakeEvents();
    EXPECT_TRUE(h_->MenuChecked(id)) << id << ": choosing it toggled the mark";
    h_->ui().SetMenuChecked(id, false);
    EXPECT_FALSE(h_->MenuChecked(id)) << id;
    EXPECT_TRUE(h_->MenuEnabled(id)) << id;
    h_->ui().SetMenuEnabled(id, false);
    EXPECT_FALSE(h_->MenuEnabled(id)) << id;
    h_->ui().SetMenuEnabled(id, true);
    EXPECT_TRUE(h_->MenuEnabled(id)) << id;
  }
  h_->ui().SetMenuChecked(menu::kBaudFirst + 4, true);
  h_->ui().SetMenuChecked(menu::kBaudFirst + 5, true);
  EXPECT_TRUE(h_->MenuChecked(menu::kBaudFirst + 4));
  h_->ui().SetMenuChecked(99, true);
  EXPECT_FALSE(h_->MenuChecked(99));
}

TEST_P(UiContract, TicksNeverPileUpAndCloseIsARequestTheWindowSurvives) {
  h_->TimerFires();
  h_->TimerFires();
  h_->TimerFires();
  EXPECT_EQ(Describe(h_->TakeEvents()), Describe({{K::Timer, 0}}));
  h_->TimerFires();
  h_->PressClose();
  EXPECT_EQ(Describe(h_->TakeEvents()), Describe({{K::Timer, 0}, {K::CloseRequest, 0}}))
      << "a tick after the first";
  EXPECT_TRUE(h_->WindowExists());
}

TEST_P(UiContract, ALongOperationDropsWhatItProcesses) {
  h_->TimerFires();
  EXPECT_EQ(h_->ui().ProcessPendingEvents(), Interruption::None);  // the tick was queued before
  h_->KeyArrives();
  EXPECT_EQ(h_->ui().ProcessPendingEvents(), Interruption::None);
  // Of what it drops, only Escape and the close button are told, so a long send can stop.
  h_->EscapeArrives();
  EXPECT_EQ(h_->ui().ProcessPendingEvents(), Interruption::Stop);
  h_->EscapeArrives();
  h_->PressClose();
  EXPECT_EQ(h_->ui().ProcessPendingEvents(), Interruption::Close);
  EXPECT_EQ(Describe(h_->TakeEvents()), Describe({{K::Timer, 0}}));
}

TEST_P(UiContract, PictureIsOnTheScreenWhenShowPictureReturns) {
  Image picture(kWidth, kHeight - 40, 0xFF000000u);
  picture.At(0, 0) = 0xFFFF0000u;
  picture.At(kWidth - 1, 0) = 0xFF00FF00u;
  picture.At(5, kHeight - 41) = 0xFF0000FFu;
  picture.At(321, 123) = 0xFF123456u;
  h_->ui().ShowPicture(picture);
  ExpectPixels(h_->Screen(), {{0, 0, 0xFF0000u},
                              {kWidth - 1, 0, 0x00FF00u},
                              {5, kHeight - 41, 0x0000FFu},
                              {321, 123, 0x123456u},
                              {1, 1, 0x000000u}});
  // The same size again with one pixel changed, as a line of text changes a few rows.
  picture.At(321, 123) = 0xFF654321u;
  h_->ui().ShowPicture(picture);
  EXPECT_EQ(At(h_->Screen(), 321, 123), 0x654321u);
  // A smaller picture: black where it does not reach.
  h_->ui().ShowPicture(Image(100, 50, 0xFFFFFFFFu));
  ExpectPixels(h_->Screen(), {{99, 49, 0xFFFFFFu}, {100, 10, 0x000000u}, {10, 50, 0x000000u}});
  // Fewer pixels than its size says: nothing is shown and nothing is read past its end.
  Image broken(10, 10, 0xFFFFFFFFu);
  broken.pixels.resize(5);
  h_->ui().ShowPicture(broken);
  EXPECT_EQ(At(h_->Screen(), 0, 0), 0x000000u);
}

TEST_P(UiContract, OverlayIsPaintedOverThePictureUntilTheNextPicture) {
  const Image terminal(kWidth, kHeight - 21, 0xFF00FF00u);
  h_->ui().ShowPicture(terminal);
  Image about(322, 240, 0x00000000u);  // rows 0 and 1 and the last two columns left unpainted
  for (int y = 2; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) about.At(x, y) = 0xFF000080u;
  }
  h_->ui().PaintOverlay(about, {{20, 30, "Tavolin"}}, 0xFFFFFF00u);
  const Image screen = h_->Screen();
  ExpectPixels(screen, {
                           {300, 200, 0x000080u},  // the overlay
                           {300, 1, 0x00FF00u},    // its unpainted rows: the terminal's picture
                           {321, 100, 0x00FF00u},  // its unpainted columns
                           {400, 100, 0x00FF00u},  // beyond it
                       });
  int lit = 0;
  for (int y = 30; y < 50; ++y) {
    for (int x = 20; x < 90; ++x) {
      // Yellow, or nearly so where the font is smoothed.
      const std::uint32_t c = At(screen, x, y);
      lit += (c >> 16) > 0xC0 && ((c >> 8) & 0xFF) > 0xC0 && (c & 0xFF) < 0x40 ? 1 : 0;
    }
  }
  EXPECT_GT(lit, 20) << "the text in its colour";
  h_->ui().ShowPicture(terminal);
  EXPECT_EQ(At(h_->Screen(), 300, 200), 0x00FF00u);
}

TEST_P(UiContract, ProgressBarIsHiddenAtItsPlaceAndClamped) {
  const ProgressView bar = h_->Progress();
  EXPECT_FALSE(bar.visible);
  EXPECT_TRUE(bar.place == (Rect{40, 40, 110, 15}));
  h_->ui().SetProgressVisible(true);
  EXPECT_TRUE(h_->Progress().visible);
  for (const auto& [set, want] : {std::pair{50, 50}, std::pair{150, 100}, std::pair{-3, 0}}) {
    h_->ui().SetProgress(set);
    EXPECT_EQ(h_->Progress().value, want) << set;
  }
  h_->ui().SetProgressVisible(false);
  EXPECT_FALSE(h_->Progress().visible);
}

TEST_P(UiContract, ClipboardTakesLatin1TextAndThePicture) {
  for (const std::string& text : {std::string("line 1\r\ncaf\xE9\r\n"), std::string()}) {
    ASSERT_TRUE(h_->ui().SetClipboardText(text));
    EXPECT_EQ(h_->ClipboardText(), text);
  }
  Image picture(7, 3, 0xFF102030u);
  picture.At(6, 2) = 0xFFFFFFFFu;
  picture.At(1, 0) = 0xFF0000FFu;
  ASSERT_TRUE(h_->ui().SetClipboardImage(picture));
  const std::optional<Image> copied = h_->ClipboardImage();
  ASSERT_TRUE(copied);
  ASSERT_EQ(copied->width, 7);
  ASSERT_EQ(copied->height, 3);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{6, 2}, std::pair{1, 0}}) {
    EXPECT_EQ(copied->At(x, y) & 0xFFFFFFu, picture.At(x, y) & 0xFFFFFFu) << x << "," << y;
  }
  EXPECT_FALSE(h_->ui().SetClipboardImage(Image())) << "nothing to put";
  Image broken(10, 10);
  broken.pixels.resize(5);
  EXPECT_FALSE(h_->ui().SetClipboardImage(broken)) << "fewer pixels than its size";
}

TEST_P(UiContract, MinimisedStateFollowsTheWindow) {
  EXPECT_FALSE(h_->ui().IsMinimized());
  h_->Minimise(true);
  EXPECT_TRUE(h_->ui().IsMinimized());
  h_->Minimise(false);
  EXPECT_FALSE(h_->ui().IsMinimized());
}

TEST_P(UiContract, PointerIsInClientCoordinatesOrOutside) {
  const int right = h_->Client().width;
  const int bottom = h_->Client().height;
  struct Case {
    int x, y;
    int wantX, wantY;
  };
  const Case cases[] = {{100, 51, 100, 51},      {0, 0, 0, 0},     {right, bottom, right, bottom},
                        {right + 1, 10, -1, 10}, {10, -1, 10, -1}, {-5, bottom + 50, -1, -1}};
  for (const Case& c : cases) {
    h_->MovePointerTo(c.x, c.y);
    const PointerPosition p = h_->ui().PointerInClient();
    EXPECT_EQ(p.x, c.wantX) << c.x << "," << c.y;
    EXPECT_EQ(p.y, c.wantY) << c.x << "," << c.y;
  }
}

// A message box shows its caption and text and holds the loop: no tick is queued while it runs.
TEST_P(UiContract, MessageBoxShowsItsTextAndNoTickWhileItRuns) {
  std::string title;
  std::vector<std::string> texts;
  UiHarness* h = h_.get();
  h_->WhenDialogOpens([&](DialogUser& box) {
    title = box.Title();
    texts = box.Texts();
    h->TimerFires();
    h->TimerFires();
    box.Accept();
  });
  h_->ui().ShowMessage("No COM", "wrong number or not activated");
  EXPECT_EQ(title, "No COM");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "wrong number or not activated"), texts.end());
  for (const Event& e : h_->TakeEvents()) EXPECT_NE(e.kind, K::Timer);
}

// The ComPort and Baudrate dialogs propose the current number (the ComPort dialog lists the
// ports) and return what the user leaves in the field, or nothing on Esc; the window is painted
// again once they have closed.
TEST_P(UiContract, NumberDialogsReturnTheTextOrNothing) {
  const std::vector<PortInfo> ports = {{3, "/dev/ttyUSB0", "", "FT232R USB UART"},
                                       {12, "/dev/ttyS0", "", ""}};
  struct Case {
    const char* name;
    bool comPort;  // else the Baudrate dialog
    std::function<void(DialogUser&)> act;
    std::string want;  // empty: the user leaves with Esc, otherwise with OK
  };
  const auto type = [](const char* text) {
    return [text](DialogUser& d) { d.TypeIntoEdit(text); };
  };
  const std::vector<Case> cases = {
      {"ComPort: OK with the proposal", true, nullptr, "7"},
      {"ComPort: typed", true, type("21"), "21"},
      {"ComPort: a port picked from the list", true, [](DialogUser& d) { d.PickListLine(1); },
       "12"},
      {"ComPort: Esc", true, type("5"), ""},
      {"Baudrate: OK with the proposal", false, nullptr, "250000"},
      {"Baudrate: typed", false, type("21"), "21"},
      {"Baudrate: Esc", false, type("5"), ""},
  };
  h_->ui().ShowPicture(Image(kWidth, kHeight - kMenuLineHeight, 0xFF00FF00u));
  for (const Case& c : cases) {
    std::string title;
    std::string proposed;
    std::vector<std::string> texts;
    std::vector<std::string> lines;
    h_->WhenDialogOpens([&](DialogUser& d) {
      title = d.Title();
      texts = d.Texts();
      proposed = d.EditText();
      lines = d.ListLines();
      if (c.act) c.act(d);
      if (c.want.empty()) {
        d.Cancel();
      } else {
        d.Accept();
      }
    });
    EXPECT_EQ(c.comPort ? h_->ui().AskComPort(7, ports) : h_->ui().AskBaudRate(250000), c.want)
        << c.name;
    EXPECT_EQ(title, c.comPort ? "ComPort" : "Baudrate") << c.name;
    EXPECT_EQ(proposed, c.comPort ? "7" : "250000") << c.name;
    const std::string prompt = c.comPort ? "On which COM is the Propeller connected?"
                                         : "Terminal rate in bits per second:";
    EXPECT_NE(std::find(texts.begin(), texts.end(), prompt), texts.end()) << c.name;
    EXPECT_EQ(h_->Screen().At(kWidth / 2, 100) & 0xFFFFFFu, 0x00FF00u) << c.name;
    ASSERT_EQ(lines.size(), c.comPort ? 2u : 0u) << c.name;
    if (c.comPort) {
      EXPECT_EQ(lines[0].rfind("3 ", 0), 0u) << lines[0];
      EXPECT_NE(lines[0].find("/dev/ttyUSB0"), std::string::npos) << lines[0];
      EXPECT_NE(lines[0].find("FT232R USB UART"), std::string::npos) << lines[0];
    }
  }
}

}  // namespace
}  // namespace tavolin::contract
