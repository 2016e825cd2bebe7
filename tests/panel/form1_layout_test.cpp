// The main window as designed, built through the Qt toolkit on the offscreen platform: every
// control where and how the design puts it, and the lines of the panels in the saved picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

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

// The text a label, button or drop-down shows, or a frame's title; each kind of widget has only
// one of these properties, a scroll bar none.
QString Caption(const QWidget* widget) {
  return widget->property("text").toString() + widget->property("title").toString() +
         widget->property("currentText").toString();
}

class Form1LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const ControlDesign& row : Form1Layout().controls) window_->Add(row);
    for (const LineDesign& line : Form1Layout().lines) window_->AddLine(line);
    window_->Show();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() == "Form1") top_ = top;
    }
    ASSERT_TRUE(top_ != nullptr && QTest::qWaitForWindowExposed(top_));
  }

  QWidget* Widget(std::string_view name) {
    if (auto* widget = top_->findChild<QWidget*>(Q(name))) return widget;
    throw std::runtime_error("no widget " + std::string(name));
  }

  int argc_ = 0;
  QtToolkit toolkit_{argc_, nullptr};
  std::unique_ptr<Window> window_ = toolkit_.NewWindow(Form1Layout().window);
  QWidget* top_ = nullptr;
};

TEST_F(Form1LayoutTest, ControlsAndWindowMatchTheDesignAndHScroll1HasTheFocus) {
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
    EXPECT_EQ(widget->property("checked").toBool(), row.kind == ControlKind::CheckBox);
    if (auto* bar = dynamic_cast<ScrollBar*>(&window_->Find(row.name))) {
      EXPECT_EQ(bar->Value(), 0);
    }
  }
  // Rows typed once more from the design, so that a slip in the table shows.
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
  ASSERT_TRUE(QTest::qWaitForWindowActive(top_) && QApplication::focusWidget() != nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "HScroll1");
}

// Read back from the saved picture, which shows the whole client area.
TEST_F(Form1LayoutTest, SavedPictureShowsSolidPanelEdgesAndABrokenDivider) {
  QTemporaryDir folder;
  window_->SavePicture(folder.filePath("form1.png").toStdString());
  const QImage image(folder.filePath("form1.png"), "PNG");
  ASSERT_EQ(image.size(), QSize(535, 438));
  for (const LineDesign& line : Form1Layout().lines) {
    SCOPED_TRACE(std::string(line.name) + "(" + std::to_string(line.index) + ")");
    const QPoint from(Px(line.x1), Px(line.y1));
    const QPoint span = QPoint(Px(line.x2), Px(line.y2)) - from;
    const int length = span.manhattanLength();  // every segment runs across or down
    int dark = 0;
    // Ends left out: there the panels' edges meet.
    for (int i = 2; i < length - 1; ++i) dark += qGray(image.pixel(from + span * i / length)) < 100;
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
