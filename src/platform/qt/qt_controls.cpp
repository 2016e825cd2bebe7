#include "platform/qt/qt_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/qt/qt_units.h"

namespace veltrano {

namespace {

// A check box that takes a click anywhere in its rectangle, as desktop check boxes do; Qt's own
// takes it only on the mark and the caption's text, which leaves most of a wide box dead.
class WholeAreaCheckBox final : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

// What every control does alike: its name and its own enabled state.
template <class Interface, class Widget>
class QtControl : public Interface {
 public:
  QtControl(std::string_view name, Widget* widget) : name_(name), widget_(widget) {}

  std::string_view Name() const override { return name_; }
  // The control's own state: a control inside a disabled frame still reports its own.
  bool Enabled() const override { return widget_->isEnabledTo(widget_->parentWidget()); }
  void SetEnabled(bool enabled) override { widget_->setEnabled(enabled); }

 protected:
  Widget* widget() const { return widget_; }

 private:
  std::string name_;
  Widget* widget_;
};

class QtLabel final : public QtControl<Label, QLabel> {
 public:
  using QtControl::QtControl;
};

class QtFrame final : public QtControl<Frame, QGroupBox> {
 public:
  using QtControl::QtControl;
};

class QtCheckBox final : public QtControl<CheckBox, QCheckBox> {
 public:
  QtCheckBox(std::string_view name, QCheckBox* box) : QtControl(name, box) {
    // toggled comes after the new state is in place, whether the person or the program changed it.
    QObject::connect(box, &QCheckBox::toggled, box, [this] {
      if (handler_) handler_();
    });
  }

  int Value() const override { return widget()->isChecked() ? 1 : 0; }

  void SetValue(int value) override {
    if (value != 0 && value != 1) throw Error("Invalid property value");
    widget()->setChecked(value == 1);
  }

  void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }

 private:
  std::function<void()> handler_;
};

class QtOptionButton final : public QtControl<OptionButton, QRadioButton> {
 public:
  using QtControl::QtControl;

  bool Value() const override { return widget()->isChecked(); }

  void SetValue(bool selected) override {
    if (selected || !widget()->isChecked()) {
      widget()->setChecked(selected);
      return;
    }
    // An auto-exclusive button refuses to clear itself, since that would leave its set without a
    // selection; here a set without a selection is a valid state.
    widget()->setAutoExclusive(false);
    widget()->setChecked(false);
    widget()->setAutoExclusive(true);
  }
};

class QtComboBox final : public QtControl<ComboBox, QComboBox> {
 public:
  using QtControl::QtControl;

  void AddItem(std::string_view item) override { widget()->addItem(ToQString(item)); }
  std::string Text() const override { return widget()->currentText().toStdString(); }
  void SetText(std::string_view text) override { widget()->setEditText(ToQString(text)); }
};

// Qt's scroll bar always runs from its minimum at the left or top end, and Fusion ignores inverted
// appearance for scroll bars (its arrows would then move the thumb away from themselves). So the
// Qt bar counts steps from the Min() end, and the value is Min() plus or minus those steps.
class QtScrollBar final : public QtControl<ScrollBar, QScrollBar> {
 public:
  QtScrollBar(std::string_view name, QScrollBar* bar, int min, int max)
      : QtControl(name, bar), min_(min), max_(max), direction_(max >= min ? 1 : -1) {
    bar->setRange(0, (max_ - min_) * direction_);
    bar->setSingleStep(1);
    bar->setPageStep(1);
  }

  int Min() const override { return min_; }
  int Max() const override { return max_; }
  int Value() const override { return min_ + direction_ * widget()->value(); }

  void SetValue(int value) override {
    if (value < std::min(min_, max_) || value > std::max(min_, max_)) {
      throw Error("Invalid property value");
    }
    widget()->setValue((value - min_) * direction_);
  }

 private:
  int min_;
  int max_;
  int direction_;
};

class QtPushButton final : public QtControl<PushButton, QPushButton> {
 public:
  QtPushButton(std::string_view name, QPushButton* button) : QtControl(name, button) {
    QObject::connect(button, &QPushButton::clicked, button, [this] {
      if (handler_) handler_();
    });
  }

  void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }

 private:
  std::function<void()> handler_;
};

// Fusion paints a push button's bevel from the Button role, so the face shows in the usual look.
// As on the desktop, a disabled button keeps its face and only its caption turns grey.
void PaintFace(QPushButton* button, Rgb face) {
  QPalette palette = button->palette();
  palette.setColor(QPalette::Button, QColor(face.red, face.green, face.blue));  // every state
  button->setPalette(palette);
}

// Sets `widget` as soon as it exists, so that the caller can take it away again if the design
// turns out to be invalid.
std::unique_ptr<Control> MakeControl(const ControlDesign& design, QWidget* parent,
                                     QWidget*& widget) {
  const QString caption = ToQString(design.caption);
  switch (design.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setText(caption);
      // Opaque in the window colour, as desktop labels are, so a panel's line beneath stays out
      // of the caption; and beneath every other control, as desktop labels are drawn.
      label->setAutoFillBackground(true);
      label->lower();
      widget = label;
      return std::make_unique<QtLabel>(design.name, label);
    }
    case ControlKind::Frame: {
      auto* frame = new QGroupBox(caption, parent);
      widget = frame;
      return std::make_unique<QtFrame>(design.name, frame);
    }
    case ControlKind::CheckBox: {
      auto* box = new WholeAreaCheckBox(caption, parent);
      widget = box;
      auto control = std::make_unique<QtCheckBox>(design.name, box);
      control->SetValue(design.value);
      return control;
    }
    case ControlKind::OptionButton: {
      auto* button = new QRadioButton(caption, parent);
      button->setChecked(design.value != 0);
      widget = button;
      return std::make_unique<QtOptionButton>(design.name, button);
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->setEditText(caption);
      widget = combo;
      return std::make_unique<QtComboBox>(design.name, combo);
    }
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar: {
      auto* bar = new QScrollBar(
          design.kind == ControlKind::HScrollBar ? Qt::Horizontal : Qt::Vertical, parent);
      widget = bar;
      bar->setFocusPolicy(Qt::StrongFocus);  // Qt's bars take no focus by default
      auto control =
          std::make_unique<QtScrollBar>(design.name, bar, design.minimum, design.maximum);
      control->SetValue(design.value);
      return control;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton(caption, parent);
      if (design.face) PaintFace(button, *design.face);
      widget = button;
      return std::make_unique<QtPushButton>(design.name, button);
    }
  }
  throw Error("Unknown kind of control: " + std::string(design.name));
}

}  // namespace

QtControlParts MakeQtControl(const ControlDesign& design, QWidget* parent) {
  QtControlParts parts;
  try {
    parts.control = MakeControl(design, parent, parts.widget);
  } catch (...) {
    delete parts.widget;
    throw;
  }
  QWidget* widget = parts.widget;
  widget->setObjectName(ToQString(design.name));
  widget->setGeometry(TwipsToPixels(design.left, design.top, design.width, design.height));
  if (design.font) widget->setFont(ToQFont(*design.font));
  widget->setEnabled(design.enabled);
  widget->show();  // shown with the window, or at once when the window is already open
  return parts;
}

}  // namespace veltrano
