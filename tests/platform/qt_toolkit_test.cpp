// The Qt window toolkit on the offscreen platform, driven through real widgets and input events.

#include "platform/qt/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace veltrano {
namespace {

constexpr FontDesign kWindowFont{"MS Sans Serif", 9.6, true, true};
constexpr WindowDesign kWindow{"TestForm", "Toolkit test", 6000, 4500, kWindowFont};

ControlDesign Design(std::string_view name, ControlKind kind, int left, int top, int width,
                     int height, int tabIndex = 0, std::string_view container = {}) {
  ControlDesign design;
  design.name = name;
  design.kind = kind;
  design.container = container;
  design.caption = name;
  design.left = left;
  design.top = top;
  design.width = width;
  design.height = height;
  design.tabIndex = tabIndex;
  return design;
}

ControlDesign ScrollDesign(std::string_view name, ControlKind kind, int minimum, int maximum) {
  const bool vertical = kind == ControlKind::VScrollBar;
  ControlDesign design = Design(name, kind, 600, 600, vertical ? 252 : 1572, vertical ? 1452 : 252);
  design.minimum = minimum;
  design.maximum = maximum;
  return design;
}

// What the scroll bar's own style option would be, to find its arrows, track and thumb.
QStyleOptionSlider SliderOption(const QScrollBar* bar) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.subControls = QStyle::SC_None;
  option.activeSubControls = QStyle::SC_None;
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.upsideDown = bar->invertedAppearance();
  if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  return option;
}

QRect Part(const QScrollBar* bar, QStyle::SubControl part) {
  const QStyleOptionSlider option = SliderOption(bar);
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

void Click(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }

// Answers the next modal message box once `ready` holds, after `inspect` has looked at it.
class ModalCloser {
 public:
  ModalCloser(std::function<bool()> ready, std::function<void(QMessageBox&)> inspect)
      : ready_(std::move(ready)), inspect_(std::move(inspect)) {
    QObject::connect(&polling_, &QTimer::timeout, [this] { Poll(); });
    polling_.start(2);
  }
  int closed() const { return closed_; }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !ready_()) return;
    inspect_(*box);
    box->button(QMessageBox::Ok)->click();
    ++closed_;
  }

  std::function<bool()> ready_;
  std::function<void(QMessageBox&)> inspect_;
  QTimer polling_;
  int closed_ = 0;
};

class QtToolkitTest : public ::testing::Test {
 protected:
  QtToolkitTest() : toolkit_(argc_, nullptr), window_(toolkit_.NewWindow(kWindow)) {}

  QWidget* Top() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "TestForm") return widget;
    }
    throw std::runtime_error("the test window has no widget");
  }

  template <class W>
  W* Widget(const char* name) {
    auto* widget = Top()->findChild<W*>(name);
    if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + name);
    return widget;
  }

  void ShowAndWait() {
    window_->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Top()));
  }

  int argc_ = 0;
  QtToolkit toolkit_;
  std::unique_ptr<Window> window_;
};

TEST_F(QtToolkitTest, WindowHasItsCaptionAndAFixedClientSizeFromTwips) {
  // 6000 x 4500 twips at 15 twips a pixel; 9.6 pt at 96 dpi is 12.8 px, rounded to 13.
  QWidget* top = Top();
  EXPECT_EQ(top->windowTitle(), "Toolkit test");
  EXPECT_EQ(top->minimumSize(), QSize(400, 300));
  EXPECT_EQ(top->maximumSize(), QSize(400, 300));
  EXPECT_EQ(top->font().pixelSize(), 13);
  EXPECT_TRUE(top->font().bold());
  EXPECT_TRUE(top->font().italic());
  EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
}

TEST_F(QtToolkitTest, ControlsAreFoundByNameAndUnknownNamesAreRefused) {
  window_->Add(Design("Check1", ControlKind::CheckBox, 0, 0, 1500, 300));
  EXPECT_EQ(window_->Find("Check1").Name(), "Check1");
  EXPECT_NO_THROW(window_->Get<CheckBox>("Check1"));
  EXPECT_THROW(window_->Find("Check2"), Error);
  EXPECT_THROW(window_->Add(Design("Check1", ControlKind::Label, 0, 0, 10, 10)), Error);
  // A control may only go into a frame that exists.
  EXPECT_THROW(
      window_->Add(Design("Option1", ControlKind::OptionButton, 0, 0, 252, 252, 0, "Frame9")),
      Error);
  EXPECT_THROW(
      window_->Add(Design("Option1", ControlKind::OptionButton, 0, 0, 252, 252, 0, "Check1")),
      Error);
}

TEST_F(QtToolkitTest, CheckBoxNotifiesEveryChangeAfterTheValueIsInPlace) {
  ControlDesign design = Design("Check1", ControlKind::CheckBox, 120, 120, 2500, 300);
  design.value = 1;
  auto& box = dynamic_cast<CheckBox&>(window_->Add(design));
  std::vector<int> seen;
  box.OnClick([&] { seen.push_back(box.Value()); });
  ShowAndWait();
  QCheckBox* widget = Widget<QCheckBox>("Check1");
  ASSERT_EQ(box.Value(), 1);

  QStyleOptionButton option;
  option.initFrom(widget);
  const QRect indicator =
      widget->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, widget);
  Click(widget, indicator.center());
  EXPECT_EQ(seen, (std::vector<int>{0}));

  widget->setFocus();
  QTest::keyClick(widget, Qt::Key_Space);
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));

  box.SetValue(0);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 0}));
  box.SetValue(0);  // no change, no notification
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 0}));
  box.SetValue(1);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(QtToolkitTest, CheckBoxRefusesValuesOtherThanZeroAndOne) {
  auto& box = dynamic_cast<CheckBox&>(
      window_->Add(Design("Check1", ControlKind::CheckBox, 120, 120, 2500, 300)));
  int notified = 0;
  box.OnClick([&] { ++notified; });
  for (int value : {2, -1, 255}) {
    SCOPED_TRACE(value);
    try {
      box.SetValue(value);
      ADD_FAILURE() << "accepted";
    } catch (const Error& refusal) {
      EXPECT_STREQ(refusal.what(), "Invalid property value");
    }
    EXPECT_EQ(box.Value(), 0);
  }
  EXPECT_EQ(notified, 0);

  // An invalid initial value is refused too, and leaves no widget behind.
  ControlDesign bad = Design("Check2", ControlKind::CheckBox, 120, 600, 2500, 300);
  bad.value = 2;
  EXPECT_THROW(window_->Add(bad), Error);
  EXPECT_EQ(Top()->findChild<QWidget*>("Check2"), nullptr);
  EXPECT_THROW(window_->Find("Check2"), Error);
}

class OptionButtonTest : public QtToolkitTest {
 protected:
  OptionButtonTest() {
    window_->Add(Design("FrameA", ControlKind::Frame, 120, 120, 2052, 612));
    window_->Add(Design("FrameB", ControlKind::Frame, 120, 1000, 2052, 612));
    for (const char* name : {"A1", "A2", "A3"}) AddOption(name, "FrameA");
    for (const char* name : {"B1", "B2"}) AddOption(name, "FrameB");
  }

  void AddOption(std::string_view name, std::string_view frame) {
    const int left = 120 + 360 * static_cast<int>(options_.size() % 3);
    options_.push_back(&dynamic_cast<OptionButton&>(
        window_->Add(Design(name, ControlKind::OptionButton, left, 240, 252, 252, 0, frame))));
  }

  // The selected buttons, by name.
  std::vector<std::string> Selected() const {
    std::vector<std::string> names;
    for (OptionButton* option : options_) {
      if (option->Value()) names.emplace_back(option->Name());
    }
    return names;
  }

  OptionButton& Option(std::string_view name) { return window_->Get<OptionButton>(name); }

  std::vector<OptionButton*> options_;
};

TEST_F(OptionButtonTest, EachFrameIsOneExclusiveSetAndFramesAreIndependent) {
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(Widget<QRadioButton>("A2")->parentWidget(), Widget<QGroupBox>("FrameA"));

  Option("A1").SetValue(true);
  Option("B2").SetValue(true);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A1", "B2"}));
  Option("A2").SetValue(true);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A2", "B2"}));

  ShowAndWait();
  QRadioButton* a3 = Widget<QRadioButton>("A3");
  Click(a3, QPoint(a3->width() / 2, a3->height() / 2));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A3", "B2"}));
}

TEST_F(OptionButtonTest, ClearingTheSelectedButtonLeavesItsFrameEmptyAndStillExclusive) {
  Option("A2").SetValue(true);
  Option("B1").SetValue(true);
  Option("A2").SetValue(false);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"B1"}));
  Option("A2").SetValue(false);  // clearing a clear button changes nothing
  EXPECT_EQ(Selected(), (std::vector<std::string>{"B1"}));

  Option("A1").SetValue(true);
  Option("A3").SetValue(true);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"A3", "B1"}));
}

using ScrollBarTest = QtToolkitTest;

TEST_F(ScrollBarTest, MinimumMayExceedMaximumAndTheThumbFollowsTheEnds) {
  auto& bar = dynamic_cast<ScrollBar&>(
      window_->Add(ScrollDesign("VScroll1", ControlKind::VScrollBar, 255, 0)));
  EXPECT_EQ(bar.Min(), 255);
  EXPECT_EQ(bar.Max(), 0);
  EXPECT_EQ(bar.Value(), 0);
  QScrollBar* widget = Widget<QScrollBar>("VScroll1");

  bar.SetValue(255);
  const int topThumb = Part(widget, QStyle::SC_ScrollBarSlider).top();
  bar.SetValue(0);
  const int bottomThumb = Part(widget, QStyle::SC_ScrollBarSlider).top();
  EXPECT_EQ(topThumb, Part(widget, QStyle::SC_ScrollBarSubLine).bottom() + 1);
  EXPECT_EQ(Part(widget, QStyle::SC_ScrollBarSlider).bottom() + 1,
            Part(widget, QStyle::SC_ScrollBarAddLine).top());
  EXPECT_LT(topThumb, bottomThumb);
}

TEST_F(ScrollBarTest, EveryArrowClickAndTrackClickMovesByOneTowardsItsEnd) {
  // For each bar: the value at the left or top end and the value at the other.
  struct Case {
    const char* name;
    ControlKind kind;
    int minimum;
    int maximum;
  };
  const Case cases[] = {
      {"VScroll1", ControlKind::VScrollBar, 255, 0},
      {"HScroll1", ControlKind::HScrollBar, 0, 255},
      {"VScroll2", ControlKind::VScrollBar, 0, 255},
      {"HScroll2", ControlKind::HScrollBar, 255, 0},
  };
  for (const Case& c : cases) {
    window_->Add(ScrollDesign(c.name, c.kind, c.minimum, c.maximum));
  }
  ShowAndWait();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& bar = window_->Get<ScrollBar>(c.name);
    QScrollBar* widget = Widget<QScrollBar>(c.name);
    widget->raise();
    const int towardFarEnd = c.maximum > c.minimum ? 1 : -1;
    const bool vertical = c.kind == ControlKind::VScrollBar;

    bar.SetValue(100);
    Click(widget, Part(widget, QStyle::SC_ScrollBarSubLine).center());
    EXPECT_EQ(bar.Value(), 100 - towardFarEnd) << "arrow at the left or top";
    Click(widget, Part(widget, QStyle::SC_ScrollBarAddLine).center());
    Click(widget, Part(widget, QStyle::SC_ScrollBarAddLine).center());
    EXPECT_EQ(bar.Value(), 100 + towardFarEnd) << "arrow at the right or bottom";

    bar.SetValue(128);
    const QRect thumb = Part(widget, QStyle::SC_ScrollBarSlider);
    const QPoint beforeThumb = vertical ? QPoint(thumb.center().x(), thumb.top() - 3)
                                        : QPoint(thumb.left() - 3, thumb.center().y());
    const QPoint afterThumb = vertical ? QPoint(thumb.center().x(), thumb.bottom() + 3)
                                       : QPoint(thumb.right() + 3, thumb.center().y());
    Click(widget, beforeThumb);
    EXPECT_EQ(bar.Value(), 128 - towardFarEnd) << "track before the thumb";
    bar.SetValue(128);
    Click(widget, afterThumb);
    EXPECT_EQ(bar.Value(), 128 + towardFarEnd) << "track after the thumb";

    bar.SetValue(c.minimum);
    Click(widget, Part(widget, QStyle::SC_ScrollBarSubLine).center());
    EXPECT_EQ(bar.Value(), c.minimum) << "no move beyond the end";
  }
}

TEST_F(ScrollBarTest, ValuesOutsideTheRangeAreRefusedAndTheOldValueKept) {
  auto& vertical = dynamic_cast<ScrollBar&>(
      window_->Add(ScrollDesign("VScroll1", ControlKind::VScrollBar, 255, 0)));
  auto& horizontal = dynamic_cast<ScrollBar&>(
      window_->Add(ScrollDesign("HScroll1", ControlKind::HScrollBar, 0, 255)));
  vertical.SetValue(7);
  horizontal.SetValue(9);
  for (int value : {-1, 256, -255, 1000}) {
    SCOPED_TRACE(value);
    for (ScrollBar* bar : {&vertical, &horizontal}) {
      const int before = bar->Value();
      try {
        bar->SetValue(value);
        ADD_FAILURE() << "accepted";
      } catch (const Error& refusal) {
        EXPECT_STREQ(refusal.what(), "Invalid property value");
      }
      EXPECT_EQ(bar->Value(), before);
    }
  }
  vertical.SetValue(0);
  vertical.SetValue(255);
  EXPECT_EQ(vertical.Value(), 255);
}

TEST_F(QtToolkitTest, ComboBoxKeepsItsListUnsortedAndShowsAnyText) {
  ControlDesign design = Design("Combo1", ControlKind::ComboBox, 120, 120, 732, 288);
  design.caption = {};
  auto& combo = dynamic_cast<ComboBox&>(window_->Add(design));
  EXPECT_EQ(combo.Text(), "");
  for (const char* item : {"3", "1", "2"}) combo.AddItem(item);
  ASSERT_EQ(combo.ListCount(), 3);
  EXPECT_EQ(combo.List(0), "3");
  EXPECT_EQ(combo.List(2), "2");
  EXPECT_THROW(combo.List(3), Error);
  EXPECT_THROW(combo.List(-1), Error);

  combo.SetText("9");
  EXPECT_EQ(combo.Text(), "9");
  combo.SetText("1");
  EXPECT_EQ(combo.Text(), "1");

  ShowAndWait();
  QComboBox* widget = Widget<QComboBox>("Combo1");
  EXPECT_TRUE(widget->isEditable());
  widget->lineEdit()->clear();
  QTest::keyClicks(widget->lineEdit(), "COM7");
  QTest::keyClick(widget->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(combo.Text(), "COM7");
  EXPECT_EQ(combo.ListCount(), 3) << "typed text is not added to the list";
}

TEST_F(QtToolkitTest, EveryKindCanBeDisabledAndEnabled) {
  window_->Add(Design("Frame1", ControlKind::Frame, 2000, 120, 2052, 612));
  const std::vector<ControlDesign> designs = {
      Design("Label1", ControlKind::Label, 120, 120, 600, 252),
      Design("Frame1", ControlKind::Frame, 0, 0, 0, 0),
      Design("Check1", ControlKind::CheckBox, 120, 600, 1500, 290),
      Design("Option1", ControlKind::OptionButton, 120, 240, 252, 252, 0, "Frame1"),
      Design("Combo1", ControlKind::ComboBox, 120, 1000, 732, 288),
      ScrollDesign("HScroll1", ControlKind::HScrollBar, 0, 255),
      Design("Command1", ControlKind::PushButton, 120, 2000, 2052, 852),
  };
  for (const ControlDesign& design : designs) {
    if (design.kind != ControlKind::Frame) window_->Add(design);
  }
  for (const ControlDesign& design : designs) {
    SCOPED_TRACE(std::string(design.name));
    Control& control = window_->Find(design.name);
    QWidget* widget = Widget<QWidget>(std::string(design.name).c_str());
    EXPECT_TRUE(control.Enabled());
    control.SetEnabled(false);
    EXPECT_FALSE(control.Enabled());
    EXPECT_FALSE(widget->isEnabled());
    control.SetEnabled(true);
    EXPECT_TRUE(control.Enabled());
    EXPECT_TRUE(widget->isEnabled());
  }
  // A button in a disabled frame cannot be used, but keeps its own setting.
  window_->Find("Frame1").SetEnabled(false);
  EXPECT_TRUE(window_->Find("Option1").Enabled());
  EXPECT_FALSE(Widget<QRadioButton>("Option1")->isEnabled());
}

TEST_F(QtToolkitTest, PushButtonShowsItsFaceDimmedWhenDisabledAndClicksOnlyWhenEnabled) {
  ControlDesign design = Design("Command1", ControlKind::PushButton, 120, 120, 2052, 852);
  design.face = Rgb{255, 0, 0};
  auto& enabled = dynamic_cast<PushButton&>(window_->Add(design));
  design.name = "Command2";
  design.left = 3000;
  design.enabled = false;
  auto& disabled = dynamic_cast<PushButton&>(window_->Add(design));
  int clicks1 = 0;
  int clicks2 = 0;
  enabled.OnClick([&] { ++clicks1; });
  disabled.OnClick([&] { ++clicks2; });
  ShowAndWait();

  // Fusion shades the face from light at the top to the colour itself at the bottom.
  const QImage picture = Top()->grab().toImage();
  auto faceAt = [&](const char* name) {
    const QRect area = Widget<QPushButton>(name)->geometry();
    return picture.pixelColor(area.left() + 8, area.top() + area.height() * 3 / 4);
  };
  const QColor lit = faceAt("Command1");
  const QColor dim = faceAt("Command2");
  EXPECT_GT(lit.red() - lit.green(), 120) << "red face";
  EXPECT_GT(lit.red() - lit.blue(), 120) << "red face";
  EXPECT_GT(dim.red() - dim.green(), 40) << "still reddish when disabled";
  EXPECT_LT(dim.red() - dim.green(), lit.red() - lit.green() - 40) << "washed out when disabled";

  Click(Widget<QPushButton>("Command1"), QPoint(20, 20));
  Click(Widget<QPushButton>("Command2"), QPoint(20, 20));
  EXPECT_EQ(clicks1, 1);
  EXPECT_EQ(clicks2, 0);
}

TEST_F(QtToolkitTest, FocusStartsAtTheLowestTabIndexThatTakesFocusAndFollowsTheTabIndexes) {
  // Labels and frames never take the focus, nor does a disabled control.
  window_->Add(Design("Label1", ControlKind::Label, 120, 120, 600, 252, 0));
  window_->Add(Design("Frame1", ControlKind::Frame, 3000, 120, 2052, 612, 1));
  ControlDesign disabled = Design("Check9", ControlKind::CheckBox, 120, 3000, 1500, 290, 2);
  disabled.enabled = false;
  window_->Add(disabled);
  window_->Add(Design("Check1", ControlKind::CheckBox, 120, 600, 1500, 290, 6));
  window_->Add(Design("Command1", ControlKind::PushButton, 120, 1000, 2052, 852, 5));
  ControlDesign horizontal = ScrollDesign("HScroll1", ControlKind::HScrollBar, 0, 255);
  horizontal.tabIndex = 4;
  window_->Add(horizontal);
  window_->Add(Design("Combo1", ControlKind::ComboBox, 120, 2000, 732, 288, 7));
  // Added last, yet first in the order.
  ControlDesign bar = ScrollDesign("VScroll1", ControlKind::VScrollBar, 255, 0);
  bar.left = 2500;
  bar.tabIndex = 3;
  window_->Add(bar);
  ShowAndWait();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Top()));

  std::vector<QString> order{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    // An editable combo box hands its focus to its line edit.
    while (focus->objectName().isEmpty()) focus = focus->parentWidget();
    order.push_back(focus->objectName());
  }
  EXPECT_EQ(order, (std::vector<QString>{"VScroll1", "HScroll1", "Command1", "Check1", "Combo1"}));
}

TEST_F(QtToolkitTest, MessageBoxIsModalWithTheIconOfItsStyleAndBreaksLinesAtCarriageReturns) {
  window_->Show();
  struct Seen {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    bool modal;
  };
  std::vector<Seen> seen;
  ModalCloser closer([] { return true; },
                     [&](QMessageBox& box) {
                       seen.push_back({box.icon(), box.windowTitle(), box.text(),
                                       box.standardButtons(), box.isModal()});
                     });
  window_->MessageBoxes().Show("Reading pitch\r\rServer gone", kCritical, "VELTRANO");
  window_->MessageBoxes().Show("no port", kOkOnly, "VELTRANO");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(seen[0].title, "VELTRANO");
  EXPECT_EQ(seen[0].text, "Reading pitch\n\nServer gone");
  EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
  EXPECT_TRUE(seen[0].modal);
  EXPECT_EQ(seen[1].icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen[1].text, "no port");
  EXPECT_EQ(seen[1].buttons, QMessageBox::Ok);

  // Only an OK button is offered: a style asking for others is refused before anything shows.
  EXPECT_THROW(window_->MessageBoxes().Show("?", kCritical + 1, "VELTRANO"), Error);
  EXPECT_EQ(closer.closed(), 2);
}

class TimerTest : public QtToolkitTest {
 protected:
  TimerTest() : timer_(window_->AddTimer("Tick", kPeriodMs)) {
    // Qt's own timer under the toolkit's, to count the times it fires.
    auto* qtTimer = Top()->findChild<QTimer*>("Tick");
    if (qtTimer == nullptr) throw std::runtime_error("no QTimer named Tick");
    QObject::connect(qtTimer, &QTimer::timeout, [this] { ++fired_; });
    window_->Show();
  }

  static constexpr int kPeriodMs = 5;
  Timer& timer_;
  int fired_ = 0;
};

TEST_F(TimerTest, StartsDisabledAndTicksOnceEnabledUntilDisabled) {
  EXPECT_EQ(timer_.Interval(), kPeriodMs);
  EXPECT_FALSE(timer_.Enabled());
  int ticks = 0;
  timer_.OnTimer([&] { ++ticks; });
  QTest::qWait(20);
  EXPECT_EQ(ticks, 0);
  timer_.SetEnabled(true);
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
  timer_.SetEnabled(false);
  EXPECT_FALSE(timer_.Enabled());
  const int stoppedAt = ticks;
  QTest::qWait(20);
  EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(TimerTest, PeriodsPassingUnderAModalBoxGiveAtMostOneTickAfterTheHandler) {
  // A clock of its own counts the periods that pass while the box is open.
  QTimer periods;
  int passed = 0;
  QObject::connect(&periods, &QTimer::timeout, [&] { ++passed; });
  int calls = 0;
  int depth = 0;
  int deepest = 0;
  timer_.OnTimer([&] {
    ++calls;
    deepest = std::max(deepest, ++depth);
    if (calls == 1) {
      periods.start(kPeriodMs);
      window_->MessageBoxes().Show("busy", kCritical, "VELTRANO");
    } else {
      timer_.SetEnabled(false);  // so that any further tick would be a stray one
    }
    --depth;
  });
  ModalCloser closer([&] { return passed >= 4; }, [](QMessageBox&) {});
  timer_.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 2; }, 5000));
  QTest::qWait(30);  // room for a repeated tick to show
  EXPECT_EQ(closer.closed(), 1);
  EXPECT_EQ(deepest, 1) << "a tick ran inside another";
  EXPECT_EQ(calls, 2) << "more than one tick made up for the periods under the box";
}

// Qt does not fire a timer again while its own timeout is being handled, but a timer switched off
// and on inside the handler is a new one to Qt, and fires under the modal box.
TEST_F(TimerTest, TimerRestartedInsideTheHandlerStillNeverNestsAndCatchesUpOnce) {
  int calls = 0;
  int depth = 0;
  int deepest = 0;
  int firedAtOpen = 0;
  timer_.OnTimer([&] {
    ++calls;
    deepest = std::max(deepest, ++depth);
    if (calls == 1) {
      timer_.SetEnabled(false);
      timer_.SetEnabled(true);
      firedAtOpen = fired_;
      window_->MessageBoxes().Show("busy", kCritical, "VELTRANO");
    } else {
      timer_.SetEnabled(false);
    }
    --depth;
  });
  // Closes early when a nested tick has switched the timer off: nothing more would fire.
  ModalCloser closer([&] { return fired_ >= firedAtOpen + 4 || !timer_.Enabled(); },
                     [](QMessageBox&) {});
  timer_.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 2; }, 5000));
  QTest::qWait(30);  // room for a repeated tick to show
  EXPECT_EQ(closer.closed(), 1);
  EXPECT_GE(fired_, firedAtOpen + 4) << "the timer fired under the box";
  EXPECT_EQ(deepest, 1) << "a tick ran inside another";
  EXPECT_EQ(calls, 2) << "more than one tick made up for the periods under the box";
}

TEST_F(TimerTest, SwitchingOffDropsThePendingTick) {
  int calls = 0;
  int firedAtOpen = 0;
  timer_.OnTimer([&] {
    if (++calls > 1) return;
    timer_.SetEnabled(false);
    timer_.SetEnabled(true);
    firedAtOpen = fired_;
    window_->MessageBoxes().Show("busy", kCritical, "VELTRANO");
    timer_.SetEnabled(false);
  });
  ModalCloser closer([&] { return fired_ >= firedAtOpen + 3; }, [](QMessageBox&) {});
  timer_.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return closer.closed() == 1; }, 5000));
  QTest::qWait(30);  // room for the dropped tick to show
  EXPECT_GE(fired_, firedAtOpen + 3) << "the timer fired under the box";
  EXPECT_EQ(calls, 1);
}

TEST_F(QtToolkitTest, PictureThatCannotBeWrittenIsRefused) {
  window_->Show();
  QTemporaryDir directory;
  ASSERT_TRUE(directory.isValid());
  EXPECT_THROW(window_->SavePicture(directory.filePath("missing/window.png").toStdString()), Error);
}

}  // namespace
}  // namespace veltrano

int main(int argc, char** argv) {
  // Offscreen also when the test list is read at build time, outside CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
