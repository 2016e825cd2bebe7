#include "platform/qt/qt_units.h"

#include <QStringList>

#include "platform/twips.h"

namespace veltrano {

int TwipsToPixels(int twips) { return TwipsToPixels(twips, kDeviceIndependentDotsPerInch); }

QRect TwipsToPixels(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

QFont ToQFont(const FontDesign& design) {
  QFont font;
  // The system's default sans-serif (DejaVu Sans on most Linux systems) is so much wider than the
  // desktop font the window was designed with that short captions such as "right" get cut.
  font.setFamilies(QStringList{ToQString(design.family), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(PointsToPixels(design.points, kDeviceIndependentDotsPerInch));
  font.setBold(design.bold);
  font.setItalic(design.italic);
  return font;
}

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace veltrano
