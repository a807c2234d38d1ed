#include "platform/qt/qt_window_services.h"

#include <QApplication>
#include <QBasicTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimerEvent>
#include <algorithm>

namespace kt {

QStringList ToQtNameFilters(const std::string& filter) {
  QStringList result;
  for (const DialogFilter& entry : ParseDialogFilter(filter)) {
    QStringList patterns;
    for (const std::string& pattern : entry.patterns) patterns << QString::fromStdString(pattern);
    result << QString::fromStdString(entry.label) + " (" + patterns.join(' ') + ")";
  }
  return result;
}

BoxButton QtWindowServices::ShowMessageBox(const MessageBoxRequest& request) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(request.caption), QString::fromStdString(request.text),
                  QMessageBox::NoButton, parent_);
  QPushButton* ignore = nullptr;
  for (BoxButton button : request.buttons) {
    switch (button) {
      case BoxButton::Ok: box.addButton(QMessageBox::Ok); break;
      case BoxButton::Abort: box.addButton(QMessageBox::Abort)->setText("&Abort"); break;
      case BoxButton::Ignore:
        ignore = box.addButton(QMessageBox::Ignore);
        ignore->setText("&Ignore");
        break;
      case BoxButton::None: break;
    }
  }
  // Esc and the window's close answer Ignore where there is one: Qt would
  // take Abort, the button of the reject role, and a reflexive Esc would
  // end the program.
  if (ignore != nullptr) box.setEscapeButton(ignore);
  // A busy cursor must not hide that the program waits for an answer.
  const bool wasBusy = busy_;
  if (wasBusy) SetBusyCursor(false);
  box.exec();
  if (wasBusy) SetBusyCursor(true);
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return BoxButton::Ok;
    case QMessageBox::Abort: return BoxButton::Abort;
    case QMessageBox::Ignore: return BoxButton::Ignore;
    default: return BoxButton::None;
  }
}

std::optional<std::string> QtWindowServices::RunFileDialog(const FileDialogRequest& request, bool forOpening) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(forOpening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(forOpening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setOption(QFileDialog::ReadOnly, false);
  // Existing files are overwritten without a question, as the recorder always has.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = ToQtNameFilters(request.filter);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  if (!request.initialDir.empty()) dialog.setDirectory(QString::fromStdString(request.initialDir));
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
  if (request.addFilterExtension) {
    // The first pattern of the chosen filter, "*.gif" giving "gif".
    const auto suffixOf = [](const QString& nameFilter) {
      qsizetype at = nameFilter.indexOf("*.");
      if (at < 0) return QString();
      at += 2;
      qsizetype end = at;
      while (end < nameFilter.size() && nameFilter[end].isLetterOrNumber()) ++end;
      return nameFilter.mid(at, end - at);
    };
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected,
                     [&dialog, suffixOf](const QString& nameFilter) { dialog.setDefaultSuffix(suffixOf(nameFilter)); });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtWindowServices::ShowOpenDialog(const FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<std::string> QtWindowServices::ShowSaveDialog(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

void QtWindowServices::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtWindowServices::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace kt

namespace kt {

// Wakes the blocked event loop at a wait's deadline. A precise timer, since
// coarse ones may fire several milliseconds early. Playback waits once a
// frame, so one object serves every wait and takes the timer's event itself,
// rather than a timer object made, signalled and destroyed for each frame.
class QtWindowServices::DeadlineWake : public QObject {
 public:
  void Arm(int ms) { timer_.start(ms, Qt::PreciseTimer, this); }
  void Disarm() { timer_.stop(); }

 protected:
  void timerEvent(QTimerEvent* event) override {
    // Once only: a wait that ended early leaves its deadline armed, and
    // it must not wake later waits again and again.
    if (event->timerId() == timer_.timerId()) {
      timer_.stop();
    } else {
      QObject::timerEvent(event);
    }
  }

 private:
  QBasicTimer timer_;
};

QtWindowServices::QtWindowServices(QWidget* dialogParent) : parent_(dialogParent) {}

QtWindowServices::~QtWindowServices() = default;

void QtWindowServices::WaitForMessages(uint32_t timeoutMs) {
  if (timeoutMs != kWaitForever) {
    if (!wake_) wake_ = std::make_unique<DeadlineWake>();
    wake_->Arm(static_cast<int>(std::min<uint32_t>(timeoutMs, 0x7FFFFFFF)));
  } else if (wake_) {
    // The deadline of an earlier wait that a message ended is no longer wanted.
    wake_->Disarm();
  }
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

namespace {

class QtProgressBox : public ProgressBox {
 public:
  QtProgressBox(QWidget* parent, const std::string& caption, const std::string& text)
      : dialog_(QString::fromStdString(text), "Cancel", 0, 1, parent) {
    dialog_.setWindowTitle(QString::fromStdString(caption));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(300);
    dialog_.setAutoReset(false);
    dialog_.setAutoClose(false);
  }
  bool Update(int done, int total) override {
    dialog_.setMaximum(std::max(total, 1));
    dialog_.setValue(std::min(done, dialog_.maximum()));
    QApplication::processEvents();
    return dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

std::unique_ptr<ProgressBox> QtWindowServices::ShowProgressBox(const std::string& caption, const std::string& text) {
  return std::make_unique<QtProgressBox>(parent_, caption, text);
}

}  // namespace kt
