#include "platform/qt/qt_msg_box.h"

#include <QMessageBox>

#include <string>

#include "platform/error.h"
#include "platform/qt/qt_units.h"

namespace veltrano {

namespace {

constexpr int kButtonGroup = 0x0F;
constexpr int kIconGroup = 0x70;

QMessageBox::Icon IconFor(int style) {
  switch (style & kIconGroup) {
    case 0:
      return QMessageBox::NoIcon;
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
  }
  throw Error("Invalid message box style " + std::to_string(style));
}

}  // namespace

QtMsgBox::QtMsgBox(QWidget* owner) : owner_(owner) {}

void QtMsgBox::Show(std::string_view prompt, int style, std::string_view title) {
  if ((style & kButtonGroup) != kOkOnly) {
    throw Error("Invalid message box style " + std::to_string(style));
  }
  QString text = ToQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  QMessageBox box(IconFor(style), ToQString(title), text, QMessageBox::Ok, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace veltrano
