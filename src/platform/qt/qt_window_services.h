// The window services on Qt: QMessageBox, QFileDialog, the override cursor
// and the event loop.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/window_services.h"

class QWidget;

namespace kt {

class QtWindowServices : public WindowServices {
 public:
  explicit QtWindowServices(QWidget* dialogParent = nullptr);
  ~QtWindowServices() override;
  void SetDialogParent(QWidget* parent) { parent_ = parent; }

  BoxButton ShowMessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override;
  std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override;
  void SetBusyCursor(bool busy) override;
  void ProcessMessages() override;
  void WaitForMessages(uint32_t timeoutMs) override;
  std::unique_ptr<ProgressBox> ShowProgressBox(const std::string& caption, const std::string& text) override;

 private:
  std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool forOpening);

  class DeadlineWake;

  QWidget* parent_;
  bool busy_ = false;
  std::unique_ptr<DeadlineWake> wake_;  // made on the first timed wait
};

// "label|*.a;*.b|..." as Qt's name filters: "label (*.a *.b)"; the dialog hides
// the part in brackets, so the label reads as the player gives it.
QStringList ToQtNameFilters(const std::string& filter);

}  // namespace kt
