#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/named_table.h"
#include "platform/qt/qt_client_area.h"
#include "platform/qt/qt_msg_box.h"
#include "platform/qt/qt_timer.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// A top-level window of fixed client size whose widget tree holds every control, found by name:
// the widget's objectName is the control's name, the window's is the window's.
class QtWindow final : public Window {
 public:
  explicit QtWindow(const WindowDesign& design);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  Control& Add(const ControlDesign& design) override;
  void AddLine(const LineDesign& design) override;
  Timer& AddTimer(std::string_view name, int intervalMs) override;
  Control& Find(std::string_view name) override;
  MsgBox& MessageBoxes() override;

  // Shows the window with the focus on the first control in tab order that can take it.
  void Show() override;
  void SavePicture(const std::string& pngPath) override;

 private:
  struct Entry {
    std::unique_ptr<Control> control;
    QWidget* widget = nullptr;
    int tabIndex = 0;
  };

  QWidget* ContainerFor(const ControlDesign& design);
  std::vector<QWidget*> FocusOrder() const;

  NamedTable<Entry> controls_{"control"};
  NamedTable<std::unique_ptr<QtTimer>> timers_{"timer"};
  // Declared after the controls and timers so that it goes before them, taking every widget and
  // timer notifier that they point at with it.
  std::unique_ptr<QtClientArea> client_;
  QtMsgBox msgBox_;
};

}  // namespace veltrano
