#include "panel/form1_design.h"

#include <optional>
#include <string_view>

namespace veltrano {

namespace {

// The fonts of the controls, all "MS Sans Serif" and bold: the window's own, and a small and a
// large one, each upright or italic.
constexpr std::string_view kFamily = "MS Sans Serif";
constexpr FontDesign kWindowFont{kFamily, 9.6, true, true};
constexpr FontDesign kSmallFont{kFamily, 7.8, true, false};
constexpr FontDesign kSmallItalicFont{kFamily, 7.8, true, true};
constexpr FontDesign kLargeFont{kFamily, 13.8, true, false};
constexpr FontDesign kLargeItalicFont{kFamily, 13.8, true, true};

constexpr int kTicked = 1;
constexpr bool kEnabled = true;
constexpr bool kDisabled = false;

// One builder per kind, so that each row below reads: name, [frame,] caption, left, top, width,
// height, tab index, font, and whatever else the kind has. Positions and sizes are in twips.

constexpr ControlDesign Row(std::string_view name, ControlKind kind, std::string_view container,
                            std::string_view caption, int left, int top, int width, int height,
                            int tab, std::optional<FontDesign> font) {
  ControlDesign row;
  row.name = name;
  row.kind = kind;
  row.container = container;
  row.caption = caption;
  row.left = left;
  row.top = top;
  row.width = width;
  row.height = height;
  row.tabIndex = tab;
  row.font = font;
  return row;
}

constexpr ControlDesign LabelRow(std::string_view name, std::string_view caption, int left, int top,
                                 int width, int height, int tab, FontDesign font) {
  return Row(name, ControlKind::Label, {}, caption, left, top, width, height, tab, font);
}

constexpr ControlDesign FrameRow(std::string_view name, std::string_view caption, int left, int top,
                                 int width, int height, int tab, FontDesign font) {
  return Row(name, ControlKind::Frame, {}, caption, left, top, width, height, tab, font);
}

constexpr ControlDesign CheckRow(std::string_view name, std::string_view caption, int left, int top,
                                 int width, int height, int tab, FontDesign font, int value) {
  ControlDesign row =
      Row(name, ControlKind::CheckBox, {}, caption, left, top, width, height, tab, font);
  row.value = value;
  return row;
}

constexpr ControlDesign OptionRow(std::string_view name, std::string_view frame,
                                  std::string_view caption, int left, int top, int width,
                                  int height, int tab, FontDesign font) {
  return Row(name, ControlKind::OptionButton, frame, caption, left, top, width, height, tab, font);
}

constexpr ControlDesign ComboRow(std::string_view name, int left, int top, int width, int height,
                                 int tab, FontDesign font) {
  return Row(name, ControlKind::ComboBox, {}, {}, left, top, width, height, tab, font);
}

// Scroll bars have no font; `minimum` is the value at the left or top end.
constexpr ControlDesign ScrollRow(std::string_view name, ControlKind kind, int left, int top,
                                  int width, int height, int tab, int minimum, int maximum) {
  ControlDesign row = Row(name, kind, {}, {}, left, top, width, height, tab, std::nullopt);
  row.minimum = minimum;
  row.maximum = maximum;
  return row;
}

constexpr ControlDesign ButtonRow(std::string_view name, std::string_view caption, int left,
                                  int top, int width, int height, int tab, FontDesign font,
                                  Rgb face, bool enabled) {
  ControlDesign row =
      Row(name, ControlKind::PushButton, {}, caption, left, top, width, height, tab, font);
  row.face = face;
  row.enabled = enabled;
  return row;
}

constexpr Rgb kGreen{0, 192, 0};
constexpr Rgb kRed{255, 0, 0};

constexpr ControlKind kHScroll = ControlKind::HScrollBar;
constexpr ControlKind kVScroll = ControlKind::VScrollBar;

// clang-format off
constexpr ControlDesign kControls[] = {
  // kind and name      [frame,] caption                   left   top width height tab font, more
  LabelRow("EFFECTS",   " EFFECTS    ENABLE",             360,  360, 3372,  372, 17,
           kLargeItalicFont),
  CheckRow("Check1",    "       PITCHING",                360,  960, 3500,  290,  2, kWindowFont,
           kTicked),
  CheckRow("Check2",    "       ROLLING",                 360, 1560, 3500,  290,  3, kWindowFont,
           kTicked),
  CheckRow("Check3",    "  ACCELERATION",                 360, 2160, 3500,  290,  4, kWindowFont,
           kTicked),
  CheckRow("Check4",    "           SLIP",                360, 2760, 3500,  290,  5, kWindowFont,
           kTicked),
  CheckRow("Check5",    "       VIBRATION",               360, 3360, 3500,  290, 15, kWindowFont,
           kTicked),
  LabelRow("Label6",    "CENTER     ROLL",               5520,  240,  732,  372, 11, kSmallFont),
  LabelRow("Label5",    "left",                          5040,  480,  492,  252, 10, kSmallFont),
  LabelRow("Label4",    "right",                         6360,  480,  372,  252,  9, kSmallFont),
  ScrollRow("HScroll1", kHScroll,                        5160,  720, 1572,  252,  0, 0, 255),
  LabelRow("Label2",    "up",                            5640, 1200,  372,  252,  7, kSmallFont),
  ScrollRow("VScroll1", kVScroll,                        6000, 1200,  252, 1452,  1, 255, 0),
  LabelRow("Label1",    "CENTER      PITCH",             5160, 1680,  852,  372,  6, kSmallFont),
  LabelRow("Label3",    "down",                          5520, 2400,  492,  252,  8, kSmallFont),
  LabelRow("Label9",    " MOVEMENT EXPRESS",             4920, 3120, 2172,  252, 19,
           kSmallItalicFont),
  FrameRow("Frame1",    "Pitch",                         4920, 3480, 2052,  612, 20, kWindowFont),
  OptionRow("Option1",  "Frame1", "Option1",              120,  240,  252,  252, 22, kWindowFont),
  OptionRow("Option2",  "Frame1", "Option2",              480,  240,  252,  240, 23, kWindowFont),
  OptionRow("Option3",  "Frame1", "Option3",              840,  240,  252,  252, 24, kWindowFont),
  OptionRow("Option4",  "Frame1", "Option4",             1200,  240,  252,  252, 25, kWindowFont),
  OptionRow("Option5",  "Frame1", "Option5",             1560,  240,  252,  252, 26, kWindowFont),
  LabelRow("Label8",    " 1      2      3     4      5", 5040, 4080, 2052,  252, 18, kSmallFont),
  FrameRow("Frame2",    "Roll",                          4920, 4320, 2052,  612, 21, kWindowFont),
  OptionRow("Option6",  "Frame2", "Option6",              120,  240,  252,  252, 27, kWindowFont),
  OptionRow("Option7",  "Frame2", "Option7",              480,  240,  252,  252, 28, kWindowFont),
  OptionRow("Option8",  "Frame2", "Option8",              840,  240,  252,  252, 29, kWindowFont),
  OptionRow("Option9",  "Frame2", "Option9",             1200,  240,  252,  252, 30, kWindowFont),
  OptionRow("Option10", "Frame2", "Option10",            1560,  240,  252,  252, 31, kWindowFont),
  LabelRow("Label7",    "SELECT  COM  PORT",              240, 4560, 2292,  252, 13, kSmallFont),
  ComboRow("Combo1",                                     2760, 4560,  732,  288, 12, kSmallFont),
  ButtonRow("Command1", "START",                         1320, 5280, 2052,  852, 14, kLargeFont,
            kGreen, kEnabled),
  ButtonRow("Command2", "STOP",                          4920, 5280, 2172,  852, 16, kLargeFont,
            kRed, kDisabled),
};

// The four panels around the groups of controls and the divider of the centre panel, end points
// in client-area twips. Line1 is one name for two segments.
constexpr int kSolid = 1;
constexpr LineDesign kLines[] = {
  //  name     index  x1    y1    x2    y2   border style
  {"Line8",    0,   3960,  120,  240,  120, kSolid},  // effects panel, top
  {"Line7",    0,   3960, 3840,  240, 3840, kSolid},  // effects panel, bottom
  {"Line5",    0,   3960,  120, 3960, 3840, kSolid},  // effects panel, right
  {"Line1",    1,    240,  120,  240, 2760, kSolid},  // effects panel, left, upper part
  {"Line6",    0,    240,  360,  240, 3840, kSolid},  // effects panel, left, lower part
  {"Line4",    0,   4680,  120, 7200,  120, kSolid},  // centre panel, top
  {"Line3",    0,   4680, 2760, 7200, 2760, kSolid},  // centre panel, bottom
  {"Line2",    0,   4680,  120, 4680, 2760, kSolid},  // centre panel, left
  {"Line1",    0,   7200,  120, 7200, 2760, kSolid},  // centre panel, right
  {"Line13",   0,   4920, 1080, 6960, 1080, 3},       // centre panel, roll above, pitch below
  {"Line16",   0,   4680, 3000, 7200, 3000, kSolid},  // level panel, top
  {"Line17",   0,   4680, 5040, 7200, 5040, kSolid},  // level panel, bottom
  {"Line14",   0,   4680, 3000, 4680, 5040, kSolid},  // level panel, left
  {"Line15",   0,   7200, 3000, 7200, 5040, kSolid},  // level panel, right
  {"Line12",   0,    240, 4200, 3960, 4200, kSolid},  // port panel, top
  {"Line10",   0,    240, 5040, 3960, 5040, kSolid},  // port panel, bottom
  {"Line9",    0,    240, 4200,  240, 5040, kSolid},  // port panel, left
  {"Line11",   0,   3960, 5040, 3960, 4200, kSolid},  // port panel, right
};
// clang-format on

constexpr Form1Design kForm1{
    .window = {.name = "Form1",
               .caption = "VELTRANO",
               .clientWidth = 8028,
               .clientHeight = 6576,
               .font = kWindowFont},
    .controls = kControls,
    .lines = kLines,
    .timerName = "Timer1",
    .timerIntervalMs = 50,
};

}  // namespace

const Form1Design& Form1Layout() { return kForm1; }

}  // namespace veltrano
