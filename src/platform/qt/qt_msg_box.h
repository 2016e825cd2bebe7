#pragma once

#include <QWidget>

#include "platform/msg_box.h"

namespace veltrano {

// Modal QMessageBoxes over a window.
class QtMsgBox final : public MsgBox {
 public:
  // `owner` must outlive this object.
  explicit QtMsgBox(QWidget* owner);

  // The icon comes from the style's icon group (16 stop, 32 question, 48 exclamation, 64
  // information, 0 none); only an OK button is offered, so other button groups are refused with
  // an Error. Carriage returns in the prompt break the line.
  void Show(std::string_view prompt, int style, std::string_view title) override;

 private:
  QWidget* owner_;
};

}  // namespace veltrano
