#include "platform/qt/qt_toolkit.h"

#include <QApplication>
#include <QStyle>

#include "platform/error.h"
#include "platform/qt/qt_window.h"

namespace veltrano {

QtToolkit::QtToolkit(int& argc, char** argv) {
  if (QApplication::instance() == nullptr) {
    application_ = std::make_unique<QApplication>(argc, argv);
  }
  QStyle* fusion = QApplication::setStyle(QStringLiteral("Fusion"));
  if (fusion == nullptr) throw Error("The Fusion widget style is missing");
  QApplication::setPalette(fusion->standardPalette());
}

QtToolkit::~QtToolkit() = default;

std::unique_ptr<Window> QtToolkit::NewWindow(const WindowDesign& design) {
  return std::make_unique<QtWindow>(design);
}

int QtToolkit::Run() { return QApplication::exec(); }

}  // namespace veltrano
