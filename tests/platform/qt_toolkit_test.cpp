// The Qt window toolkit on the offscreen platform, driven through real widgets and input events.

#include "platform/qt/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>

#include "platform/error.h"

namespace veltrano {
namespace {

ControlDesign Bar(std::string_view name, ControlKind kind, QRect twips, int minimum, int maximum) {
  ControlDesign bar;
  std::tie(bar.name, bar.kind, bar.minimum, bar.maximum) = std::tuple(name, kind, minimum, maximum);
  std::tie(bar.left, bar.top, bar.width, bar.height) =
      std::tuple(twips.x(), twips.y(), twips.width(), twips.height());
  return bar;
}

// Where an arrow or the track of a scroll bar is, as its own style draws it.
struct BarParts : QScrollBar {
  static QPoint Of(const QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    (bar->*&BarParts::initStyleOption)(&option);
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
  }
};

class QtToolkitTest : public ::testing::Test {
 protected:
  // Shows the window, waits until it is drawn and gives its scroll bar `name`.
  QScrollBar* ShownBar(std::string_view name) {
    window_->Show();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* bar = top->findChild<QScrollBar*>(QString::fromUtf8(name.data(), name.size()));
      if (bar != nullptr && QTest::qWaitForWindowExposed(top)) return bar;
    }
    throw std::runtime_error("not shown: " + std::string(name));
  }

  int argc_ = 0;
  QtToolkit toolkit_{argc_, nullptr};
  std::unique_ptr<Window> window_ =
      toolkit_.NewWindow({"TestForm", "Toolkit test", 6000, 4500, {"Arial", 9.6}});
};

TEST_F(QtToolkitTest, ScrollBarClicksMoveByOneTowardsEachEndAndOutOfRangeIsRefused) {
  // The minimum is at the left or top end; the window's two bars count both ways.
  const ControlDesign bars[] = {
      Bar("VScroll1", ControlKind::VScrollBar, {600, 0, 252, 1452}, 255, 0),
      Bar("HScroll1", ControlKind::HScrollBar, {1200, 0, 1572, 252}, 0, 255)};
  for (const ControlDesign& design : bars) window_->Add(design);
  for (const ControlDesign& c : bars) {
    SCOPED_TRACE(std::string(c.name));
    auto& bar = window_->Get<ScrollBar>(c.name);
    auto* widget = ShownBar(c.name);
    const int step = c.maximum > c.minimum ? 1 : -1;  // towards the right or bottom end
    using enum QStyle::SubControl;
    const std::tuple<int, QStyle::SubControl, int> clicks[] = {
        // from, where, to
        {100, SC_ScrollBarSubLine, 100 - step},      {100, SC_ScrollBarAddLine, 100 + step},
        {128, SC_ScrollBarSubPage, 128 - step},      {128, SC_ScrollBarAddPage, 128 + step},
        {c.minimum, SC_ScrollBarSubLine, c.minimum}, {c.maximum, SC_ScrollBarAddLine, c.maximum}};
    for (auto [from, where, to] : clicks) {
      bar.SetValue(from);
      QTest::mouseClick(widget, Qt::LeftButton, {}, BarParts::Of(widget, where));
      EXPECT_EQ(bar.Value(), to) << "from " << from << " at part " << where;
    }
    for (int value : {-1, 256}) EXPECT_THROW(bar.SetValue(value), Error) << value;
    EXPECT_EQ(bar.Value(), c.maximum);
  }
}

// A timer switched off and on inside its handler is a new timer to Qt, which then fires it under
// the handler's modal box; that must not run the handler inside itself either.
class TimerTest : public QtToolkitTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TimerTest, HandlerUnderACriticalBoxIsNeverReenteredAndGetsAtMostOneTickAfter) {
  Timer& timer = window_->AddTimer("Tick", 5);
  int calls = 0, depth = 0, polls = 0, closed = 0;
  timer.OnTimer([&] {
    EXPECT_EQ(++depth, 1) << "a tick ran inside another";
    if (++calls == 1) {
      if (GetParam()) timer.SetEnabled(false);
      timer.SetEnabled(true);
      window_->MessageBoxes().Show("Reading pitch\r\rServer gone", kCritical, "VELTRANO");
    }
    if (calls > 1) timer.SetEnabled(false);  // so that any further tick would be a stray one
    --depth;
  });
  // The box stays open for 10 polls of 2 ms, four periods or more, or is closed early once a
  // nested tick has switched the timer off: nothing more would fire then.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || (++polls < 10 && timer.Enabled())) return;
    box->button(QMessageBox::Ok)->click();
    ++closed;
  });
  window_->Show();
  closer.start(2);
  timer.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 2; }, 5000));
  QTest::qWait(30);  // room for a repeated tick to show
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(calls, 2) << "more than one tick made up for the periods under the box";
}

INSTANTIATE_TEST_SUITE_P(RestartedInTheHandlerOrNot, TimerTest, ::testing::Bool());

}  // namespace
}  // namespace veltrano

int main(int argc, char** argv) {
  // Offscreen also when the test list is read at build time, outside CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
