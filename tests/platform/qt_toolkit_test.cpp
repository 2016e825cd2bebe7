// The Qt window toolkit on the offscreen platform, driven through real widgets and input events.

#include "platform/qt/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace veltrano {
namespace {

ControlDesign Design(std::string_view name, ControlKind kind, int left, int top, int width,
                     int height, std::string_view container = {}, int minimum = 0,
                     int maximum = 0) {
  ControlDesign design;
  design.name = design.caption = name;
  design.kind = kind;
  design.container = container;
  design.left = left;
  design.top = top;
  design.width = width;
  design.height = height;
  design.minimum = minimum;
  design.maximum = maximum;
  return design;
}

// Where an arrow, the track or the thumb of a scroll bar is, as its own style draws it.
struct BarParts : QScrollBar {
  static QRect Of(const QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    (bar->*&BarParts::initStyleOption)(&option);
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
  }
};

void Click(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }

// Answers each modal message box with OK once `ready` holds, after `inspect` has looked at it.
struct ModalCloser {
  explicit ModalCloser(std::function<bool()> ready,
                       std::function<void(QMessageBox&)> inspect = {}) {
    QObject::connect(&polling, &QTimer::timeout, [this, ready, inspect] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !ready()) return;
      if (inspect) inspect(*box);
      box->button(QMessageBox::Ok)->click();
      ++closed;
    });
    polling.start(2);
  }
  QTimer polling;
  int closed = 0;
};

class QtToolkitTest : public ::testing::Test {
 protected:
  QtToolkitTest()
      : toolkit_(argc_, nullptr),
        window_(toolkit_.NewWindow({"TestForm", "Toolkit test", 6000, 4500, {"Arial", 9.6}})) {}

  QWidget* Top() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == "TestForm") return top;
    }
    throw std::runtime_error("the test window has no widget");
  }

  template <class W>
  W* Widget(std::string_view name) {
    auto* widget = Top()->findChild<W*>(QString::fromUtf8(name.data(), name.size()));
    if (widget == nullptr) throw std::runtime_error("no widget " + std::string(name));
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

TEST_F(QtToolkitTest, CheckBoxNotifiesEachChangeWithTheNewValueAndRefusesOtherValues) {
  ControlDesign design = Design("Check1", ControlKind::CheckBox, 120, 120, 2500, 300);
  design.value = 1;
  auto& box = dynamic_cast<CheckBox&>(window_->Add(design));
  std::vector<int> seen;
  box.OnClick([&] { seen.push_back(box.Value()); });
  EXPECT_THROW(window_->Find("Check2"), Error);
  ShowAndWait();

  QCheckBox* widget = Widget<QCheckBox>("Check1");
  QStyleOptionButton option;
  option.initFrom(widget);
  Click(widget,
        widget->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, widget).center());
  box.SetValue(1);
  box.SetValue(1);  // no change, no notification
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
  for (int value : {2, -1}) EXPECT_THROW(box.SetValue(value), Error) << value;
  EXPECT_EQ(box.Value(), 1);
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(QtToolkitTest, OptionButtonsAreExclusiveWithinTheirFrameOnlyAndCanBeCleared) {
  window_->Add(Design("FrameA", ControlKind::Frame, 120, 120, 2052, 612));
  window_->Add(Design("FrameB", ControlKind::Frame, 120, 1000, 2052, 612));
  const std::vector<const char*> names{"A1", "A2", "A3", "B1", "B2"};
  for (int i = 0; i < 5; ++i) {
    window_->Add(Design(names[i], ControlKind::OptionButton, 120 + 360 * (i % 3), 240, 252, 252,
                        i < 3 ? "FrameA" : "FrameB"));
  }
  auto selected = [&] {
    std::string on;
    for (const char* name : names) on += window_->Get<OptionButton>(name).Value() ? name : "";
    return on;
  };
  using Step = std::tuple<const char*, bool, const char*>;  // button, new value, selected after
  for (auto [name, on, expected] :
       {Step{"A1", true, "A1"}, Step{"B2", true, "A1B2"}, Step{"A2", true, "A2B2"},
        Step{"A2", false, "B2"}, Step{"A1", true, "A1B2"}, Step{"A3", true, "A3B2"}}) {
    window_->Get<OptionButton>(name).SetValue(on);
    EXPECT_EQ(selected(), expected) << name << " set to " << on;
  }
  ShowAndWait();
  QRadioButton* a2 = Widget<QRadioButton>("A2");
  Click(a2, a2->rect().center());
  EXPECT_EQ(selected(), "A2B2");
}

TEST_F(QtToolkitTest, ScrollBarClicksMoveByOneTowardsEachEndAndOutOfRangeIsRefused) {
  // The minimum is at the left or top end.
  const ControlDesign bars[] = {
      Design("VScroll1", ControlKind::VScrollBar, 600, 600, 252, 1452, {}, 255, 0),
      Design("HScroll1", ControlKind::HScrollBar, 600, 600, 1572, 252, {}, 0, 255),
      Design("VScroll2", ControlKind::VScrollBar, 600, 600, 252, 1452, {}, 0, 255),
      Design("HScroll2", ControlKind::HScrollBar, 600, 600, 1572, 252, {}, 255, 0)};
  for (const ControlDesign& design : bars) window_->Add(design);
  ShowAndWait();
  for (const ControlDesign& c : bars) {
    SCOPED_TRACE(std::string(c.name));
    auto& bar = window_->Get<ScrollBar>(c.name);
    QScrollBar* widget = Widget<QScrollBar>(c.name);
    widget->raise();
    const int step = c.maximum > c.minimum ? 1 : -1;  // towards the right or bottom end
    using enum QStyle::SubControl;
    const std::tuple<int, QStyle::SubControl, int> clicks[] = {
        // from, where, to
        {100, SC_ScrollBarSubLine, 100 - step},      {100, SC_ScrollBarAddLine, 100 + step},
        {128, SC_ScrollBarSubPage, 128 - step},      {128, SC_ScrollBarAddPage, 128 + step},
        {c.minimum, SC_ScrollBarSubLine, c.minimum}, {c.maximum, SC_ScrollBarAddLine, c.maximum}};
    for (auto [from, where, to] : clicks) {
      bar.SetValue(from);
      Click(widget, BarParts::Of(widget, where).center());
      EXPECT_EQ(bar.Value(), to) << "from " << from << " at part " << where;
    }
    for (int value : {-1, 256}) EXPECT_THROW(bar.SetValue(value), Error) << value;
    EXPECT_EQ(bar.Value(), c.maximum);
  }
}

// A timer switched off and on inside its handler is a new timer to Qt, which then fires it under
// the handler's modal box; that must not run the handler inside itself either.
class TimerTest : public QtToolkitTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TimerTest, HandlerUnderAModalBoxIsNeverReenteredAndGetsAtMostOneTickAfter) {
  constexpr int kPeriodMs = 5;
  const bool restartInHandler = GetParam();
  Timer& timer = window_->AddTimer("Tick", kPeriodMs);
  window_->Show();
  int calls = 0;
  int depth = 0;
  int deepest = 0;
  timer.OnTimer([&] {
    ++calls;
    deepest = std::max(deepest, ++depth);
    if (calls == 1) {
      if (restartInHandler) timer.SetEnabled(false);
      timer.SetEnabled(true);
      window_->MessageBoxes().Show("busy", kCritical, "VELTRANO");
    } else {
      timer.SetEnabled(false);  // so that any further tick would be a stray one
    }
    --depth;
  });
  // Kept open for 10 polls of 2 ms, four periods or more, or closed early once a nested tick has
  // switched the timer off: nothing more would fire then.
  ModalCloser closer([&, polls = 0]() mutable { return ++polls >= 10 || !timer.Enabled(); });
  timer.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 2; }, 5000));
  QTest::qWait(30);  // room for a repeated tick to show
  EXPECT_EQ(closer.closed, 1);
  EXPECT_EQ(deepest, 1) << "a tick ran inside another";
  EXPECT_EQ(calls, 2) << "more than one tick made up for the periods under the box";
}

INSTANTIATE_TEST_SUITE_P(RestartedInTheHandlerOrNot, TimerTest, ::testing::Bool());

TEST_F(QtToolkitTest, CriticalMessageBoxIsModalWithItsTitleAndBreaksLinesAtCarriageReturns) {
  window_->Show();
  ModalCloser closer([] { return true; },
                     [](QMessageBox& box) {
                       EXPECT_EQ(box.icon(), QMessageBox::Critical);
                       EXPECT_EQ(box.windowTitle(), "VELTRANO");
                       EXPECT_EQ(box.text(), "Reading pitch\n\nServer gone");
                       EXPECT_TRUE(box.isModal());
                     });
  window_->MessageBoxes().Show("Reading pitch\r\rServer gone", kCritical, "VELTRANO");
  EXPECT_EQ(closer.closed, 1);
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
