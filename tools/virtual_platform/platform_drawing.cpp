#include "platform_drawing.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <chrono>

namespace veltrano::virtual_platform {
namespace {

using Clock = PlatformState::Clock;
using Seconds = std::chrono::duration<double>;

const QColor kPitchColour(31, 119, 180);
const QColor kRollColour(230, 115, 0);
const QColor kVibrationColour(44, 160, 44);
const QColor kSilentColour(150, 156, 162);
const QColor kPanelColour(245, 247, 250);
const QColor kFrameColour(200, 208, 216);
const QColor kTextColour(40, 44, 52);
const QColor kFaintColour(120, 128, 136);

constexpr int kGap = 10;
constexpr double kShakePixels = 8.0;

enum class View { kSide, kBehind };

QFont Font(const QPainter& painter, int pixels, bool bold = false) {
  QFont font = painter.font();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void Text(QPainter& painter, const QRectF& box, const QString& text, int pixels,
          const QColor& colour = kTextColour, int flags = Qt::AlignLeft | Qt::AlignVCenter,
          bool bold = false) {
  painter.setFont(Font(painter, pixels, bold));
  painter.setPen(colour);
  painter.drawText(box, flags, text);
}

// A panel's frame and title; gives the room inside, below the title.
QRectF Panel(QPainter& painter, const QRectF& box, const QString& title, const QString& note) {
  painter.setPen(QPen(kFrameColour, 1));
  painter.setBrush(kPanelColour);
  painter.drawRoundedRect(box, 6, 6);
  const QRectF titleBox(box.left() + 12, box.top() + 6, box.width() - 24, 24);
  Text(painter, titleBox, title, 15, kTextColour, Qt::AlignLeft | Qt::AlignVCenter, true);
  Text(painter, titleBox, note, 12, kFaintColour, Qt::AlignRight | Qt::AlignVCenter);
  return box.adjusted(12, 34, -12, -10);
}

// The seat and what marks the front (side view) or the two sides (view from behind), on a plate
// whose top edge is y = 0 and which reaches from -half to half.
void DrawSeat(QPainter& painter, View view, double half, const QColor& colour) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour.darker(160));
  if (view == View::kSide) {
    painter.drawRoundedRect(QRectF(-56, -14, 92, 14), 5, 5);  // cushion
    painter.drawPolygon(QPolygonF({{-56, -10}, {-70, -78}, {-52, -82}, {-40, -12}}));
    painter.drawRoundedRect(QRectF(-76, -100, 24, 20), 6, 6);  // headrest
    painter.setPen(QPen(colour.darker(160), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(72, 0), QPointF(66, -44));  // stick
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF({{half - 4, -26}, {half + 18, -13}, {half - 4, 0}}));
    Text(painter, QRectF(half - 80, -48, 76, 18), "nose", 12, kFaintColour,
         Qt::AlignRight | Qt::AlignVCenter);
  } else {
    painter.drawRoundedRect(QRectF(-48, -18, 96, 18), 5, 5);   // cushion
    painter.drawRoundedRect(QRectF(-34, -84, 68, 70), 8, 8);   // backrest
    painter.drawRoundedRect(QRectF(-18, -102, 36, 16), 6, 6);  // headrest
    Text(painter, QRectF(-half, -28, 30, 24), "L", 14, kFaintColour, Qt::AlignCenter, true);
    Text(painter, QRectF(half - 30, -28, 30, 24), "R", 14, kFaintColour, Qt::AlignCenter, true);
  }
}

// On screen a positive angle turns clockwise: nose up turns the front (right) end up.
double ScreenAngle(View view, double position) {
  return view == View::kSide ? -PitchDegrees(position) : RollDegrees(position);
}

// The pedestal, and on it the plate with the seat, tilted to where the axis has got to and
// thrown by the vibration; behind it the level, the centre and the commanded position.
void DrawAxisScene(QPainter& painter, const QRectF& scene, View view, const AxisMotion& axis,
                   const PlatformState::Shake& shake, const QColor& colour) {
  const double half = std::min(scene.width() * 0.36, 170.0);
  const QPointF pivot(scene.center().x(), scene.top() + scene.height() * 0.58);
  const QRectF plate(-half, -12, 2 * half, 12);  // resting on the pivot
  const double ground = scene.bottom() - 4;

  painter.setPen(QPen(kFrameColour, 2));
  painter.drawLine(QPointF(scene.left(), ground), QPointF(scene.right(), ground));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(138, 150, 163));
  painter.drawPolygon(QPolygonF({{pivot.x() - 12, pivot.y()},
                                 {pivot.x() + 12, pivot.y()},
                                 {pivot.x() + 36, ground},
                                 {pivot.x() - 36, ground}}));

  painter.save();
  painter.translate(pivot);
  const auto guide = [&](double position, const QPen& pen) {
    painter.save();
    painter.rotate(ScreenAngle(view, position));
    painter.setPen(pen);
    painter.drawLine(QPointF(-half - 24, 0), QPointF(half + 24, 0));
    painter.restore();
  };
  guide(AxisMotion::kNeutralCue, QPen(kFrameColour, 1, Qt::DashLine));
  if (axis.Centre() != AxisMotion::kNeutralCue) {
    guide(axis.Centre(), QPen(kFaintColour, 1, Qt::DotLine));
  }
  painter.save();
  painter.rotate(ScreenAngle(view, axis.Commanded()));
  painter.setPen(QPen(colour, 1.5, Qt::DashLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(plate, 4, 4);
  painter.restore();

  painter.translate(shake.x * kShakePixels, shake.y * kShakePixels);
  painter.rotate(ScreenAngle(view, axis.Position()));
  painter.setPen(QPen(colour.darker(130), 1));
  painter.setBrush(colour);
  painter.drawRoundedRect(plate, 4, 4);
  painter.translate(0, plate.top());
  DrawSeat(painter, view, half, colour);
  painter.restore();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(90, 100, 110));
  painter.drawEllipse(pivot, 6, 6);
}

// Three lines under the scene: the position, the tilt, and the level as five boxes filled up to
// it, like the level buttons of the control window.
void DrawAxisText(QPainter& painter, const QRectF& lines, View view, const AxisMotion& axis,
                  const QColor& colour) {
  const double degrees =
      view == View::kSide ? PitchDegrees(axis.Position()) : RollDegrees(axis.Position());
  QString tilt = QString::asprintf("%.1f° ", std::abs(degrees));
  if (std::abs(degrees) < 0.05) {
    tilt = "level";
  } else if (view == View::kSide) {
    tilt += degrees > 0 ? "nose up" : "nose down";
  } else {
    tilt += degrees > 0 ? "right side down" : "left side down";
  }
  Text(painter, lines,
       QString::asprintf("at %.0f, heading for %d  (cue %d, centre %d)", axis.Position(),
                         axis.Commanded(), axis.Cue(), axis.Centre()),
       13);
  Text(painter, lines.translated(0, 20), tilt, 13);
  const QRectF levelLine = lines.translated(0, 40);
  Text(painter, levelLine, "level", 13);
  for (int level = 1; level <= 5; ++level) {
    painter.setPen(QPen(colour.darker(130), 1));
    painter.setBrush(level <= axis.Level() ? colour : QColor(Qt::white));
    painter.drawRect(QRectF(levelLine.left() + 30 + level * 16, levelLine.top() + 4, 11, 11));
  }
  Text(painter, levelLine.adjusted(138, 0, 0, 0),
       QString::asprintf("%d: up to %.0f units/s", axis.Level(),
                         AxisMotion::UnitsPerSecond(axis.Level())),
       13);
}

void DrawAxis(QPainter& painter, const QRectF& box, View view, const AxisMotion& axis,
              const PlatformState& state, Clock::time_point now) {
  const bool pitch = view == View::kSide;
  const QColor colour = state.Silent(now) ? kSilentColour : pitch ? kPitchColour : kRollColour;
  const QRectF room =
      Panel(painter, box, pitch ? "PITCH" : "ROLL", pitch ? "from the side" : "from behind");
  const QRectF scene = room.adjusted(0, 0, 0, -62);
  DrawAxisScene(painter, scene, view, axis, state.ShakeAt(now), colour);
  const QRectF lines(room.left(), scene.bottom() + 4, room.width(), 18);
  if (state.Latest()) {
    DrawAxisText(painter, lines, view, axis, colour);
  } else {
    Text(painter, lines, "waiting for a command", 13, kFaintColour);
  }
}

void DrawVibration(QPainter& painter, const QRectF& box, const PlatformState& state,
                   Clock::time_point now) {
  const QRectF room = Panel(painter, box, "VIBRATION", "");
  const QColor colour = state.Silent(now) ? kSilentColour : kVibrationColour;
  const QRectF track(room.center().x() - 14, room.top() + 8, 28, room.height() - 54);
  painter.setPen(QPen(kFrameColour, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(track);
  const double filled = track.height() * state.Vibration() / 255.0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawRect(QRectF(track.left(), track.bottom() - filled, track.width(), filled));
  for (const int mark : {0, 64, 128, 192, 255}) {
    const double y = track.bottom() - track.height() * mark / 255.0;
    painter.setPen(QPen(kFaintColour, 1));
    painter.drawLine(QPointF(track.right(), y), QPointF(track.right() + 6, y));
    Text(painter, QRectF(track.right() + 9, y - 8, 40, 16), QString::number(mark), 11,
         kFaintColour);
  }
  Text(painter, QRectF(room.left(), track.bottom() + 8, room.width(), 30),
       QString::number(state.Vibration()), 24, kTextColour, Qt::AlignCenter, true);
}

void DrawStripChart(QPainter& painter, const QRectF& box, const PlatformState& state,
                    Clock::time_point now) {
  const QRectF room = Panel(painter, box, "LAST TEN SECONDS", "");
  const QRectF plot = room.adjusted(34, 4, -8, -18);
  const double span = Seconds(PlatformState::kHistorySpan).count();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawRect(plot);
  for (const int value : {0, 64, 128, 192, 255}) {
    const double y = plot.bottom() - plot.height() * value / 255.0;
    painter.setPen(QPen(kFrameColour, 1, value == 128 ? Qt::SolidLine : Qt::DotLine));
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    Text(painter, QRectF(room.left(), y - 8, 30, 16), QString::number(value), 11, kFaintColour,
         Qt::AlignRight | Qt::AlignVCenter);
  }
  for (int second = 0; second <= 10; ++second) {
    const double x = plot.right() - plot.width() * second / span;
    painter.setPen(QPen(kFrameColour, 1, Qt::DotLine));
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    if (second % 5 == 0) {
      Text(painter, QRectF(x - 30, plot.bottom() + 2, 60, 16),
           second == 0 ? QString("now") : QString::asprintf("-%d s", second), 11, kFaintColour,
           Qt::AlignCenter);
    }
  }

  const struct {
    PlatformPacketByte byte;
    const char* name;
    QColor colour;
  } lines[] = {{kPitchCueByte, "pitch", kPitchColour},
               {kRollCueByte, "roll", kRollColour},
               {kVibrationCueByte, "vibration", kVibrationColour}};
  painter.save();
  painter.setClipRect(plot);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& line : lines) {
    // A gap in the packets is a gap in the line.
    QPainterPath path;
    std::optional<Clock::time_point> previous;
    for (const PlatformState::Sample& sample : state.History()) {
      const QPointF point(plot.right() - plot.width() * Seconds(now - sample.time).count() / span,
                          plot.bottom() - plot.height() * sample.packet[line.byte] / 255.0);
      if (previous && sample.time - *previous <= PlatformState::kSilenceLimit) {
        path.lineTo(point);
      } else {
        path.moveTo(point);
      }
      previous = sample.time;
    }
    painter.setPen(QPen(line.colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
  }
  painter.restore();
  double x = room.right() - 250;
  for (const auto& line : lines) {
    painter.setPen(QPen(line.colour, 3));
    painter.drawLine(QPointF(x, box.top() + 18), QPointF(x + 18, box.top() + 18));
    Text(painter, QRectF(x + 24, box.top() + 10, 70, 16), line.name, 12);
    x += 80;
  }
}

void DrawStatus(QPainter& painter, const QRectF& box, const PlatformState& state,
                Clock::time_point now) {
  const bool silent = state.Silent(now);
  const QRectF badge(box.left(), box.top(), 170, box.height());
  painter.setPen(Qt::NoPen);
  painter.setBrush(silent ? QColor(198, 40, 40) : QColor(46, 125, 50));
  painter.drawRoundedRect(badge, 6, 6);
  Text(painter, badge, silent ? "no packets" : "receiving", 20, Qt::white, Qt::AlignCenter, true);

  const auto& latest = state.Latest();
  QString first;
  if (!latest) {
    first = "waiting for the first packet";
  } else if (silent) {
    first = QString::asprintf("nothing for %.1f s", Seconds(now - latest->time).count());
  } else {
    first = QString::asprintf("%zu packets/s", state.PacketsInLastSecond(now));
  }
  if (const auto interval = state.LastInterval()) {
    first += QString::asprintf("  ·  last interval %.0f ms",
                               std::chrono::duration<double, std::milli>(*interval).count());
  }
  first += QString::asprintf("  ·  %llu bytes dropped while resynchronising",
                             static_cast<unsigned long long>(state.DroppedBytes()));
  QString second =
      QString::asprintf("%llu packets", static_cast<unsigned long long>(state.TotalPackets()));
  if (latest) {
    second += "  ·  last:";
    for (const std::uint8_t byte : latest->packet) second += QString::asprintf(" %02X", byte);
  }
  const QRectF text = box.adjusted(badge.width() + 14, 0, 0, 0);
  Text(painter, QRectF(text.left(), text.top(), text.width(), text.height() / 2), first, 14);
  Text(painter, QRectF(text.left(), text.center().y(), text.width(), text.height() / 2), second, 14,
       kFaintColour);
}

}  // namespace

double PitchDegrees(double position) { return (AxisMotion::kNeutralCue - position) * 90.0 / 128.0; }

double RollDegrees(double position) { return (AxisMotion::kNeutralCue - position) * 180.0 / 255.0; }

void DrawPlatform(QPainter& painter, const QRect& area, const PlatformState& state,
                  Clock::time_point now) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, QColor(228, 232, 237));
  const QRectF room = QRectF(area).adjusted(kGap, kGap, -kGap, -kGap);
  const double statusHeight = 46;
  const double topHeight = std::round((room.height() - statusHeight - 2 * kGap) * 0.62);
  const double meterWidth = 120;
  const double axisWidth = (room.width() - meterWidth - 2 * kGap) / 2;

  DrawAxis(painter, QRectF(room.left(), room.top(), axisWidth, topHeight), View::kSide,
           state.Pitch(), state, now);
  DrawAxis(painter, QRectF(room.left() + axisWidth + kGap, room.top(), axisWidth, topHeight),
           View::kBehind, state.Roll(), state, now);
  DrawVibration(painter, QRectF(room.right() - meterWidth, room.top(), meterWidth, topHeight),
                state, now);
  const double chartTop = room.top() + topHeight + kGap;
  DrawStripChart(
      painter,
      QRectF(room.left(), chartTop, room.width(), room.bottom() - statusHeight - kGap - chartTop),
      state, now);
  DrawStatus(painter, QRectF(room.left(), room.bottom() - statusHeight, room.width(), statusHeight),
             state, now);
}

}  // namespace veltrano::virtual_platform
