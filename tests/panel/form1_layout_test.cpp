// The main window as designed, built through the Qt toolkit on the offscreen platform: every
// control where and how the design puts it, and the lines of the panels as drawn.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

#include "panel/form1_design.h"
#include "platform/qt/qt_toolkit.h"

namespace veltrano {
namespace {

// 15 twips to a pixel, to the nearest pixel.
int Px(int twips) { return (2 * twips + 15) / 30; }

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), text.size()); }

QString Caption(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText();
  return {};  // a scroll bar
}

class Form1LayoutTest : public ::testing::Test {
 protected:
  Form1LayoutTest() : toolkit_(argc_, nullptr), window_(toolkit_.NewWindow(Form1Layout().window)) {
    for (const ControlDesign& row : Form1Layout().controls) window_->Add(row);
    for (const LineDesign& line : Form1Layout().lines) window_->AddLine(line);
    window_->Show();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "Form1") top_ = widget;
    }
  }

  void SetUp() override {
    ASSERT_NE(top_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top_));
  }

  QWidget* Widget(std::string_view name) {
    auto* widget = top_->findChild<QWidget*>(Q(name));
    if (widget == nullptr) throw std::runtime_error("no widget " + std::string(name));
    return widget;
  }

  int argc_ = 0;
  QtToolkit toolkit_;
  std::unique_ptr<Window> window_;
  QWidget* top_ = nullptr;
};

TEST_F(Form1LayoutTest, EveryControlHasItsPlaceCaptionAndInitialState) {
  for (const ControlDesign& row : Form1Layout().controls) {
    SCOPED_TRACE(std::string(row.name));
    QWidget* widget = Widget(row.name);
    // Option buttons are placed relative to their frame.
    EXPECT_EQ(widget->parentWidget()->objectName(),
              row.container.empty() ? "Form1" : Q(row.container));
    EXPECT_EQ(widget->geometry(), QRect(Px(row.left), Px(row.top), Px(row.width), Px(row.height)));
    EXPECT_EQ(Caption(widget), Q(row.caption));
    EXPECT_EQ(widget->isEnabled(), row.name != "Command2");
    // Every effect ticked, no level selected, both scroll bars at 0.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(button->isChecked(), row.kind == ControlKind::CheckBox);
    }
    if (qobject_cast<QScrollBar*>(widget) != nullptr) {
      EXPECT_EQ(window_->Get<ScrollBar>(row.name).Value(), 0);
    }
  }
}

// Rows typed once more from the design, so that a slip in the table shows.
TEST_F(Form1LayoutTest, PinnedRowsAndTheWindowMatchTheDesign) {
  EXPECT_EQ(top_->windowTitle(), "VELTRANO");
  EXPECT_EQ(top_->size(), QSize(535, 438));  // 8028 x 6576 twips
  EXPECT_EQ(top_->minimumSize(), top_->maximumSize());
  EXPECT_EQ(Caption(Widget("Check4")), "           SLIP");
  EXPECT_EQ(Widget("Option2")->geometry(), QRect(32, 16, 17, 16));      // 240 high
  EXPECT_EQ(Widget("Command2")->geometry(), QRect(328, 352, 145, 57));  // 2172 wide
  EXPECT_EQ(window_->Get<ScrollBar>("VScroll1").Min(), 255);
  EXPECT_EQ(window_->Get<ScrollBar>("VScroll1").Max(), 0);
  for (auto [name, caption, face] : {std::tuple{"Command1", "START", QColor(0, 192, 0)},
                                     std::tuple{"Command2", "STOP", QColor(255, 0, 0)}}) {
    EXPECT_EQ(Caption(Widget(name)), caption);
    EXPECT_EQ(Widget(name)->palette().color(QPalette::Active, QPalette::Button), face) << name;
  }
}

TEST_F(Form1LayoutTest, HScroll1HasTheFocusWhenTheWindowOpens) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(top_));
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "HScroll1");
}

TEST_F(Form1LayoutTest, PanelEdgesAreSolidAndTheDividerIsBroken) {
  const QImage picture = top_->grab().toImage();
  for (const LineDesign& line : Form1Layout().lines) {
    SCOPED_TRACE(std::string(line.name) + "(" + std::to_string(line.index) + ")");
    const QPoint from(Px(line.x1), Px(line.y1));
    const QPoint to(Px(line.x2), Px(line.y2));
    const int length = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    const QPoint step((to.x() - from.x()) / length, (to.y() - from.y()) / length);
    int dark = 0;
    // Ends left out: there the panels' edges meet.
    for (int i = 2; i < length - 1; ++i) dark += qGray(picture.pixel(from + step * i)) < 100;
    const int inside = length - 3;
    if (line.name == "Line13") {
      EXPECT_GT(dark, inside / 5) << "the divider shows";
      EXPECT_LT(dark, inside * 4 / 5) << "the divider is broken";
    } else {
      EXPECT_EQ(dark, inside) << "a panel edge is solid";
    }
  }
}

}  // namespace
}  // namespace veltrano
