// Files dropped on a window from a file manager. Watches the window's drag
// and drop events and hands the local files on, in the order given, to
// whoever plays them.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QDropEvent;

namespace kt {

class FileDropTarget : public QObject {
 public:
  // `accepting` says whether a drop would be taken now; `dropped` gets the
  // files of a drop once the drag is over, from the event loop.
  FileDropTarget(QWidget& window, std::function<bool()> accepting,
                 std::function<void(std::vector<std::string>)> dropped);
  ~FileDropTarget() override;
  FileDropTarget(const FileDropTarget&) = delete;
  FileDropTarget& operator=(const FileDropTarget&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The files of the drag when the window takes it now, else none.
  std::vector<std::string> Acceptable(QDropEvent& event) const;

  QPointer<QWidget> window_;
  std::function<bool()> accepting_;
  std::function<void(std::vector<std::string>)> dropped_;
};

}  // namespace kt
