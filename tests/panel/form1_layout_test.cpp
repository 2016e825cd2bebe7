// The main window as designed, built through the Qt toolkit on the offscreen platform: every
// control where and how the design puts it, and the lines of the panels in the saved picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <algorithm>
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

TEST_F(Form1LayoutTest, ControlsMatchTheDesignWithCaptionsThatFitAndHScroll1HasTheFocus) {
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
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      // Wrapped at blanks only, so a word too long for the label shows as too wide.
      const QRect room = label->contentsRect();
      const QRect needed = label->fontMetrics().boundingRect(room, Qt::TextWordWrap, label->text());
      const int spacing = label->fontMetrics().lineSpacing();
      const bool twoLines = row.name == "Label1" || row.name == "Label6";
      EXPECT_EQ((needed.height() + spacing / 2) / spacing, twoLines ? 2 : 1);
      EXPECT_TRUE(room.contains(needed)) << "needs " << needed.width() << "x" << needed.height();
    } else if (!row.caption.empty() && row.kind != ControlKind::OptionButton) {
      // (Option buttons are too narrow for their caption by design.)
      EXPECT_LE(widget->minimumSizeHint().width(), widget->width()) << "the caption fits";
    }
  }
  EXPECT_EQ(top_->windowTitle(), "VELTRANO");
  EXPECT_EQ(top_->minimumSize(), top_->maximumSize());  // a fixed size
  for (auto [name, caption, face] : {std::tuple{"Command1", "START", QColor(0, 192, 0)},
                                     std::tuple{"Command2", "STOP", QColor(255, 0, 0)}}) {
    EXPECT_EQ(Caption(Widget(name)), caption);
    EXPECT_EQ(Widget(name)->palette().color(QPalette::Active, QPalette::Button), face) << name;
  }
  ASSERT_TRUE(QTest::qWaitForWindowActive(top_) && QApplication::focusWidget() != nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "HScroll1");
}

// Read back from saved pictures, which show the whole client area.
TEST_F(Form1LayoutTest, PictureShowsPanelEdgesUnderLabelsABrokenDividerAndButtonFaces) {
  const auto picture = [this] {
    QTemporaryDir folder;
    window_->SavePicture(folder.filePath("form1.png").toStdString());
    return QImage(folder.filePath("form1.png"), "PNG");
  };
  const QImage image = picture();
  ASSERT_EQ(image.size(), QSize(535, 438));
  const auto underALabel = [](QPoint at) {
    return std::ranges::any_of(Form1Layout().controls, [at](const ControlDesign& row) {
      return row.kind == ControlKind::Label &&
             QRect(Px(row.left), Px(row.top), Px(row.width), Px(row.height)).contains(at);
    });
  };
  for (const LineDesign& line : Form1Layout().lines) {
    SCOPED_TRACE(std::string(line.name) + "(" + std::to_string(line.index) + ")");
    const QPoint from(Px(line.x1), Px(line.y1));
    const QPoint span = QPoint(Px(line.x2), Px(line.y2)) - from;
    const int length = span.manhattanLength();  // every segment runs across or down
    int dark = 0, wrong = 0;
    // Ends left out: there the panels' edges meet.
    for (int i = 2; i < length - 1; ++i) {
      const QPoint at = from + span * i / length;
      dark += qGray(image.pixel(at)) < 100;
      wrong += (qGray(image.pixel(at)) < 100) == underALabel(at);
    }
    if (line.name == "Line13") {
      EXPECT_GT(dark, (length - 3) / 5) << "the divider shows";
      EXPECT_LT(dark, (length - 3) * 4 / 5) << "the divider is broken";
    } else {
      EXPECT_EQ(wrong, 0) << "a panel edge is solid except beneath a label";
    }
  }
  // A disabled button keeps its face; only its caption turns from black to grey.
  window_->Find("Command1").SetEnabled(false);
  window_->Find("Command2").SetEnabled(true);
  const QImage running = picture();
  for (const char* name : {"Command1", "Command2"}) {
    const QRect button = Widget(name)->geometry().adjusted(8, 0, -8, 0);
    const auto blackAcrossTheMiddle = [button](const QImage& shown) {
      for (int x = button.left(); x <= button.right(); ++x) {
        if (qGray(shown.pixel(x, button.center().y())) < 40) return true;
      }
      return false;
    };
    const QPoint face(button.left(), button.center().y());
    EXPECT_EQ(QColor(image.pixel(face)), QColor(running.pixel(face))) << name;
    EXPECT_NE(blackAcrossTheMiddle(image), blackAcrossTheMiddle(running)) << name;
  }
}

}  // namespace
}  // namespace veltrano
