#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <memory>

#include "flight_picture.h"
#include "platform/error.h"

namespace veltrano::flight_check {
namespace {

constexpr int kWidth = 1200;
constexpr int kLeft = 170;  // room for each band's labels
constexpr int kRight = 30;
constexpr int kTitleHeight = 64;
constexpr int kBandHeight = 230;
constexpr int kBandGap = 44;
constexpr int kTimeAxisHeight = 40;
constexpr int kHeight = kTitleHeight + 3 * kBandHeight + 2 * kBandGap + kTimeAxisHeight;

const QColor kLimitColour(200, 30, 30);

// A painter needs a running application for its fonts; none is shown, so offscreen serves with
// or without a display.
std::unique_ptr<QGuiApplication> EnsureApplication() {
  if (QGuiApplication::instance() != nullptr) return nullptr;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "flight-check";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

// Seconds between labelled times, so that about ten labels span the flight.
double TimeStep(double seconds) {
  for (const double step :
       {0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 1200.0, 1800.0, 3600.0}) {
    if (seconds / step <= 12.0) return step;
  }
  return 7200.0;
}

class Chart {
 public:
  Chart(QPainter& painter, const FlightRun& run, double seconds)
      : painter_(painter), run_(run), seconds_(seconds > 0.0 ? seconds : run.tickSeconds) {}

  double X(double at) const { return kLeft + at / seconds_ * (kWidth - kLeft - kRight); }

  void DrawBand(int top, std::size_t byte, const AxisFigures& axis, QColor colour) {
    const auto y = [top](double cue) { return top + (255.0 - cue) / 255.0 * kBandHeight; };
    const QRectF band(kLeft, top, kWidth - kLeft - kRight, kBandHeight);
    painter_.fillRect(band, QColor(246, 246, 246));
    DrawTimeGrid(top);

    painter_.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
    painter_.drawLine(QPointF(band.left(), y(axis.rest)), QPointF(band.right(), y(axis.rest)));
    painter_.setPen(QPen(kLimitColour, 1.5, Qt::DashLine));
    for (const double limit : {0.0, 255.0}) {
      painter_.drawLine(QPointF(band.left(), y(limit)), QPointF(band.right(), y(limit)));
    }

    QPainterPath cue;
    for (std::size_t tick = 0; tick < run_.packets.size(); ++tick) {
      const QPointF point(X(static_cast<double>(tick) * run_.tickSeconds),
                          y(run_.packets[tick][byte]));
      if (tick == 0) {
        cue.moveTo(point);
      } else {
        cue.lineTo(point);
      }
    }
    painter_.setPen(QPen(colour, 1.5));
    painter_.drawPath(cue);
    DrawTimeAtLimits(byte, y);
    DrawLabels(top, axis, y);
  }

  void DrawTimeAxis(int top) {
    painter_.setPen(Qt::black);
    const double step = TimeStep(seconds_);
    for (double at = 0.0; at <= seconds_ + 1e-9; at += step) {
      const QRectF label(X(at) - 40, top + 4, 80, 20);
      painter_.drawText(label, Qt::AlignHCenter | Qt::AlignTop, QString::number(at) + " s");
    }
  }

 private:
  void DrawTimeGrid(int top) {
    painter_.setPen(QPen(QColor(222, 222, 222), 1));
    const double step = TimeStep(seconds_);
    for (double at = 0.0; at <= seconds_ + 1e-9; at += step) {
      painter_.drawLine(QPointF(X(at), top), QPointF(X(at), top + kBandHeight));
    }
  }

  // A thick red stroke along the limit for every stretch of ticks that sits on it.
  template <class ToY>
  void DrawTimeAtLimits(std::size_t byte, ToY y) {
    painter_.setPen(QPen(kLimitColour, 6, Qt::SolidLine, Qt::FlatCap));
    for (const int limit : {0, 255}) {
      std::size_t tick = 0;
      while (tick < run_.packets.size()) {
        if (run_.packets[tick][byte] != limit) {
          ++tick;
          continue;
        }
        const std::size_t from = tick;
        while (tick < run_.packets.size() && run_.packets[tick][byte] == limit) ++tick;
        const double start = X(static_cast<double>(from) * run_.tickSeconds);
        const double end = std::max(X(static_cast<double>(tick) * run_.tickSeconds), start + 2.0);
        painter_.drawLine(QPointF(start, y(limit)), QPointF(end, y(limit)));
      }
    }
  }

  template <class ToY>
  void DrawLabels(int top, const AxisFigures& axis, ToY y) {
    const QFont plain = painter_.font();
    QFont bold = plain;
    bold.setBold(true);
    painter_.setFont(bold);
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(10, top, kLeft - 50, 22), Qt::AlignLeft,
                      QString::fromStdString(axis.name));
    painter_.setFont(plain);
    QString details = QString::fromStdString(axis.effect);
    if (axis.level) details += QString("\nlevel %1").arg(*axis.level);
    details += QString("\ncue %1..%2").arg(axis.min).arg(axis.max);
    details += QString("\nat a limit %1 s").arg(axis.AtLimitSeconds(), 0, 'f', 2);
    painter_.drawText(QRectF(10, top + 24, kLeft - 50, kBandHeight - 24), Qt::AlignLeft, details);
    for (const int value : {0, axis.rest, 255}) {
      painter_.setPen(value == 0 || value == 255 ? kLimitColour : QColor(110, 110, 110));
      painter_.drawText(QRectF(kLeft - 44, y(value) - 10, 38, 20),
                        Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }
  }

  QPainter& painter_;
  const FlightRun& run_;
  double seconds_;
};

}  // namespace

void CheckPicturesAvailable() {}

void SaveFlightPicture(const FlightRun& run, const FlightFigures& figures, const std::string& title,
                       const std::string& pngPath) {
  const auto application = EnsureApplication();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(10, 10, kWidth - 20, kTitleHeight - 10), Qt::AlignLeft,
                     QString::fromStdString(title));

    Chart chart(painter, run, figures.seconds);
    int top = kTitleHeight;
    chart.DrawBand(top, 1, figures.pitch, QColor(30, 80, 200));
    top += kBandHeight + kBandGap;
    chart.DrawBand(top, 2, figures.roll, QColor(20, 140, 60));
    top += kBandHeight + kBandGap;
    chart.DrawBand(top, 3, figures.vibration, QColor(190, 110, 0));
    chart.DrawTimeAxis(top + kBandHeight);
  }
  if (!image.save(QString::fromStdString(pngPath), "PNG")) {
    throw Error("--picture: cannot write " + pngPath);
  }
}

}  // namespace veltrano::flight_check
