#include "views/file_drop.h"

#include <unistd.h>

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <climits>
#include <utility>

#include "platform/uri_list.h"

namespace kt {

namespace {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

// A file manager offers to move, copy or link. Taking a move would have the
// file manager delete the flic once it is dropped; a player only reads it.
bool TakeWithoutMoving(QDropEvent& event) {
  for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
    if (event.possibleActions().testFlag(action)) {
      event.setDropAction(action);
      event.accept();
      return true;
    }
  }
  return false;
}

}  // namespace

FileDropTarget::FileDropTarget(QWidget& window, std::function<bool()> accepting,
                               std::function<void(std::vector<std::string>)> dropped)
    : window_(&window), accepting_(std::move(accepting)), dropped_(std::move(dropped)) {
  window.setAcceptDrops(true);
  window.installEventFilter(this);
}

FileDropTarget::~FileDropTarget() {
  if (window_ == nullptr) return;
  window_->removeEventFilter(this);
  window_->setAcceptDrops(false);
}

std::vector<std::string> FileDropTarget::Acceptable(QDropEvent& event) const {
  const QMimeData* data = event.mimeData();
  if (data == nullptr || !data->hasFormat("text/uri-list") || !accepting_()) return {};
  // The list's own bytes: a name that is not UTF-8 would not survive a QUrl.
  return LocalFilesOfUriList(data->data("text/uri-list").toStdString(), HostName());
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto& drag = static_cast<QDropEvent&>(*event);
      if (Acceptable(drag).empty() || !TakeWithoutMoving(drag)) drag.ignore();
      return true;
    }
    case QEvent::Drop: {
      auto& drop = static_cast<QDropEvent&>(*event);
      std::vector<std::string> files = Acceptable(drop);
      if (files.empty() || !TakeWithoutMoving(drop)) {
        drop.ignore();
        return true;
      }
      // The file manager waits for the drop's answer until this returns: the
      // playback starts from the event loop once it has it.
      QTimer::singleShot(0, this, [this, files = std::move(files)]() mutable { dropped_(std::move(files)); });
      return true;
    }
    default: return false;
  }
}

}  // namespace kt
