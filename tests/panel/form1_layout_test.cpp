// The main window as designed, built through the Qt toolkit on the offscreen platform: every
// control where and how the design puts it, the lines of the panels, and a picture of it all.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "panel/form1_design.h"
#include "platform/qt/qt_toolkit.h"

namespace veltrano {
namespace {

// 15 twips to a pixel, to the nearest pixel.
int Px(int twips) { return (2 * twips + 15) / 30; }
QRect PxRect(const ControlDesign& row) {
  return QRect(Px(row.left), Px(row.top), Px(row.width), Px(row.height));
}
int FontPixels(double points) { return static_cast<int>(std::lround(points * 96 / 72)); }

const Form1Design& Design() { return Form1Layout(); }

const ControlDesign& Row(std::string_view name) {
  for (const ControlDesign& row : Design().controls) {
    if (row.name == name) return row;
  }
  throw std::runtime_error("no design row " + std::string(name));
}

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), text.size()); }

class Form1LayoutTest : public ::testing::Test {
 protected:
  Form1LayoutTest() : toolkit_(argc_, nullptr), window_(toolkit_.NewWindow(Design().window)) {
    for (const ControlDesign& row : Design().controls) window_->Add(row);
    for (const LineDesign& line : Design().lines) window_->AddLine(line);
    timer_ = &window_->AddTimer(Design().timerName, Design().timerIntervalMs);
    window_->Show();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "Form1") top_ = widget;
    }
  }

  void SetUp() override {
    ASSERT_NE(top_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top_));
  }

  template <class W = QWidget>
  W* Widget(std::string_view name) {
    auto* widget = top_->findChild<W*>(Q(name));
    if (widget == nullptr) throw std::runtime_error("no widget " + std::string(name));
    return widget;
  }

  // The window drawn now; lines, controls and all.
  QImage Picture() {
    QTemporaryDir directory;
    const std::string path = directory.filePath("form1.png").toStdString();
    window_->SavePicture(path);
    return QImage(QString::fromStdString(path), "PNG");
  }

  int argc_ = 0;
  QtToolkit toolkit_;
  std::unique_ptr<Window> window_;
  Timer* timer_ = nullptr;
  QWidget* top_ = nullptr;
};

TEST_F(Form1LayoutTest, WindowHasItsCaptionFixedClientSizeAndFont) {
  EXPECT_EQ(top_->windowTitle(), "VELTRANO");
  EXPECT_EQ(top_->size(), QSize(535, 438));  // 8028 x 6576 twips
  EXPECT_EQ(top_->minimumSize(), top_->maximumSize());
  EXPECT_EQ(top_->font().family(), "MS Sans Serif");
  EXPECT_EQ(top_->font().pixelSize(), 13);  // 9.6 pt
  EXPECT_TRUE(top_->font().bold());
  EXPECT_TRUE(top_->font().italic());
}

TEST_F(Form1LayoutTest, TableHoldsEveryControlOnceWithFramesBeforeTheirButtons) {
  std::set<std::string_view> seen;
  std::set<int> tabs;
  for (const ControlDesign& row : Design().controls) {
    EXPECT_TRUE(seen.insert(row.name).second) << row.name;
    tabs.insert(row.tabIndex);
    if (!row.container.empty()) {
      EXPECT_TRUE(seen.contains(row.container)) << row.name;
      EXPECT_EQ(Row(row.container).kind, ControlKind::Frame);
    }
  }
  EXPECT_EQ(seen.size(), 32u);
  // The tab indexes are 0 to 31, each once.
  EXPECT_EQ(tabs.size(), 32u);
  EXPECT_EQ(*tabs.begin(), 0);
  EXPECT_EQ(*tabs.rbegin(), 31);
  EXPECT_EQ(Design().timerName, "Timer1");
  EXPECT_EQ(Design().timerIntervalMs, 50);
}

TEST_F(Form1LayoutTest, EveryControlHasItsKindPlaceAndSizeInPixels) {
  for (const ControlDesign& row : Design().controls) {
    SCOPED_TRACE(std::string(row.name));
    QWidget* widget = Widget(row.name);
    const QString container = row.container.empty() ? "Form1" : Q(row.container);
    EXPECT_EQ(widget->parentWidget()->objectName(), container);
    EXPECT_EQ(widget->geometry(), PxRect(row));
    EXPECT_TRUE(widget->isVisible());
    bool rightKind = false;
    switch (row.kind) {
      case ControlKind::Label:
        rightKind = qobject_cast<QLabel*>(widget) != nullptr;
        break;
      case ControlKind::Frame:
        rightKind = qobject_cast<QGroupBox*>(widget) != nullptr;
        break;
      case ControlKind::CheckBox:
        rightKind = qobject_cast<QCheckBox*>(widget) != nullptr;
        break;
      case ControlKind::OptionButton:
        rightKind = qobject_cast<QRadioButton*>(widget) != nullptr;
        break;
      case ControlKind::ComboBox:
        rightKind = qobject_cast<QComboBox*>(widget) != nullptr;
        break;
      case ControlKind::HScrollBar:
      case ControlKind::VScrollBar: {
        auto* bar = qobject_cast<QScrollBar*>(widget);
        rightKind = bar != nullptr &&
                    (bar->orientation() == Qt::Horizontal) == (row.kind == ControlKind::HScrollBar);
        break;
      }
      case ControlKind::PushButton:
        rightKind = qobject_cast<QPushButton*>(widget) != nullptr;
        break;
    }
    EXPECT_TRUE(rightKind);
  }
}

TEST_F(Form1LayoutTest, EveryCaptionIsExactBlanksIncluded) {
  for (const ControlDesign& row : Design().controls) {
    SCOPED_TRACE(std::string(row.name));
    QWidget* widget = Widget(row.name);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      shown = label->text();
      EXPECT_TRUE(label->wordWrap());
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
      shown = frame->title();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      shown = button->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      shown = combo->currentText();
    }
    EXPECT_EQ(shown, Q(row.caption));
  }
}

TEST_F(Form1LayoutTest, EveryControlHasItsFontInPixelsAndScrollBarsTheWindowFont) {
  for (const ControlDesign& row : Design().controls) {
    SCOPED_TRACE(std::string(row.name));
    const QFont font = Widget(row.name)->font();
    const FontDesign expected = row.font.value_or(Design().window.font);
    EXPECT_EQ(font.family(), Q(expected.family));
    EXPECT_EQ(font.pixelSize(), FontPixels(expected.points));
    EXPECT_EQ(font.bold(), expected.bold);
    EXPECT_EQ(font.italic(), expected.italic);
  }
}

TEST_F(Form1LayoutTest, ControlsStartInTheirDesignedState) {
  for (const ControlDesign& row : Design().controls) {
    SCOPED_TRACE(std::string(row.name));
    Control& control = window_->Find(row.name);
    EXPECT_EQ(control.Enabled(), row.name != "Command2");
    EXPECT_EQ(Widget(row.name)->isEnabled(), row.name != "Command2");
    switch (row.kind) {
      case ControlKind::CheckBox:
        EXPECT_EQ(dynamic_cast<CheckBox&>(control).Value(), 1);
        break;
      case ControlKind::OptionButton:
        EXPECT_FALSE(dynamic_cast<OptionButton&>(control).Value());
        break;
      case ControlKind::HScrollBar:
      case ControlKind::VScrollBar: {
        auto& bar = dynamic_cast<ScrollBar&>(control);
        EXPECT_EQ(bar.Value(), 0);
        EXPECT_EQ(bar.Min(), row.minimum);
        EXPECT_EQ(bar.Max(), row.maximum);
        break;
      }
      case ControlKind::ComboBox: {
        auto& combo = dynamic_cast<ComboBox&>(control);
        EXPECT_EQ(combo.ListCount(), 0);
        EXPECT_EQ(combo.Text(), "");
        break;
      }
      default:
        break;
    }
  }
  EXPECT_FALSE(timer_->Enabled());
  EXPECT_EQ(timer_->Interval(), 50);
}

TEST_F(Form1LayoutTest, HScroll1HasTheFocusWhenTheWindowOpens) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(top_));
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "HScroll1");
}

// Rows typed once more from the design, so that a slip in the table shows.
TEST_F(Form1LayoutTest, PinnedRowsMatchTheDesign) {
  EXPECT_EQ(Widget<QCheckBox>("Check4")->text(), "           SLIP");
  EXPECT_EQ(Widget<QCheckBox>("Check4")->geometry(), QRect(24, 184, 233, 19));
  EXPECT_EQ(Widget<QLabel>("EFFECTS")->text(), " EFFECTS    ENABLE");
  EXPECT_EQ(Widget<QLabel>("Label8")->text(), " 1      2      3     4      5");
  EXPECT_EQ(Widget<QLabel>("Label1")->text(), "CENTER      PITCH");
  EXPECT_EQ(Widget<QRadioButton>("Option2")->geometry(), QRect(32, 16, 17, 16));  // height 240
  EXPECT_EQ(Widget<QRadioButton>("Option10")->parentWidget()->objectName(), "Frame2");
  EXPECT_EQ(Widget<QGroupBox>("Frame2")->geometry(), QRect(328, 288, 137, 41));
  EXPECT_EQ(Widget<QPushButton>("Command2")->geometry(), QRect(328, 352, 145, 57));  // 2172 wide
  EXPECT_EQ(Widget<QComboBox>("Combo1")->geometry(), QRect(184, 304, 49, 19));
  EXPECT_EQ(Widget<QScrollBar>("VScroll1")->geometry(), QRect(400, 80, 17, 97));
  EXPECT_EQ(Widget<QLabel>("Label9")->font().pixelSize(), 10);
  EXPECT_TRUE(Widget<QLabel>("Label9")->font().italic());
  EXPECT_EQ(Widget<QPushButton>("Command1")->font().pixelSize(), 18);
  EXPECT_FALSE(Widget<QPushButton>("Command1")->font().italic());

  auto& vertical = window_->Get<ScrollBar>("VScroll1");
  EXPECT_EQ(vertical.Min(), 255);
  EXPECT_EQ(vertical.Max(), 0);
  auto& horizontal = window_->Get<ScrollBar>("HScroll1");
  EXPECT_EQ(horizontal.Min(), 0);
  EXPECT_EQ(horizontal.Max(), 255);
  EXPECT_EQ(Row("Command1").face, (Rgb{0, 192, 0}));
  EXPECT_EQ(Row("Command2").face, (Rgb{255, 0, 0}));
}

TEST_F(Form1LayoutTest, NarrowCentreLabelsWrapOntoTwoLines) {
  for (const char* name : {"Label1", "Label6"}) {
    SCOPED_TRACE(name);
    QLabel* label = Widget<QLabel>(name);
    const int lineHeight = label->fontMetrics().lineSpacing();
    EXPECT_GE(label->heightForWidth(label->width()), 2 * lineHeight);
    EXPECT_LE(2 * lineHeight, label->height() + 2) << "both lines fit";
  }
  QLabel* left = Widget<QLabel>("Label5");
  EXPECT_LT(left->heightForWidth(left->width()), 2 * left->fontMetrics().lineSpacing());
}

TEST_F(Form1LayoutTest, LinesDrawTheFourPanelsAndADottedDivider) {
  ASSERT_EQ(Design().lines.size(), 18u);
  int line1Segments = 0;
  for (const LineDesign& line : Design().lines) {
    if (line.name == "Line1") ++line1Segments;
    EXPECT_EQ(line.borderStyle, line.name == "Line13" ? 3 : 1) << line.name;
  }
  EXPECT_EQ(line1Segments, 2);

  const QImage picture = Picture();
  for (const LineDesign& line : Design().lines) {
    SCOPED_TRACE(std::string(line.name) + "(" + std::to_string(line.index) + ")");
    const QPoint from(Px(line.x1), Px(line.y1));
    const QPoint to(Px(line.x2), Px(line.y2));
    const int length = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    const QPoint step((to.x() - from.x()) / length, (to.y() - from.y()) / length);
    int dark = 0;
    // Ends left out: there the panels' edges meet.
    for (int i = 2; i < length - 1; ++i) {
      if (qGray(picture.pixel(from + step * i)) < 100) ++dark;
    }
    const int inside = length - 3;
    if (line.name == "Line13") {
      EXPECT_GT(dark, inside / 5) << "the divider shows";
      EXPECT_LT(dark, inside * 4 / 5) << "the divider is broken";
    } else {
      EXPECT_EQ(dark, inside) << "a panel edge is solid";
    }
  }
}

TEST_F(Form1LayoutTest, PictureIsAPngOfTheClientArea) {
  QTemporaryDir directory;
  const QString path = directory.filePath("form1.png");
  window_->SavePicture(path.toStdString());
  EXPECT_GT(QFileInfo(path).size(), 0);
  QImage picture;
  ASSERT_TRUE(picture.load(path, "PNG"));
  EXPECT_EQ(picture.size(), QSize(535, 438));
}

}  // namespace
}  // namespace veltrano
