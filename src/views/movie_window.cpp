#include "views/movie_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "convert/convert.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/window_operations.h"
#include "views/export_calls.h"
#include "views/resources.h"

namespace kt {

ClientSize CloseRequestClientSize(int screenWidth, uint16_t flicWidth, uint16_t flicHeight) {
  const int width = screenWidth / 2;
  long double height = std::nearbyintl(static_cast<long double>(flicHeight) /
                                       (static_cast<long double>(flicWidth) / (screenWidth * 0.5L)));
  // A window cannot be taller than the largest 16-bit size; wrapping round
  // would give a flat sliver instead.
  if (!(height >= 0)) height = 0;
  if (height > UINT16_MAX) height = UINT16_MAX;
  return {static_cast<uint16_t>(std::clamp(width, 0, static_cast<int>(UINT16_MAX))), static_cast<uint16_t>(height)};
}

MovieWindow::MovieWindow(QWidget* parent) : QWidget(parent) {
  EnsureResources();
  setWindowTitle(kInitialCaption);
  setWindowIcon(QIcon(kMovieIconPath));
  setFont(QFont("MS Sans Serif", 8));
  setFocusPolicy(Qt::StrongFocus);
  displayImage_ = new DisplayImageControl(this);
  resize(320, 240);
  displayImage_->setGeometry(rect());
  connect(displayImage_, &DisplayImageControl::doubleClicked, this, &MovieWindow::DisplayImageDblClick);
}

void MovieWindow::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

bool MovieWindow::FormCloseQuery() {
  if (links_.flic != nullptr && links_.playback != nullptr) {
    PlaybackState& playback = *links_.playback;
    // The resize belongs to window output: a full-screen playback keeps
    // the whole screen.
    if (playback.Playing && links_.directXChecked && links_.directXChecked()) return false;
    if (links_.flic->FlicInMemory || (playback.Playing && !playback.MovieZoomed)) {
      const FlicHeader& header = links_.flic->Header;
      const ClientSize size = CloseRequestClientSize(QueryScreenSize().width, header.width, header.height);
      SizeMovieWindow(*this, playback.MovieZoomed, size.width, size.height);
    }
  }
  return false;
}

void MovieWindow::DisplayImageDblClick() {
  if (links_.directXChecked && links_.directXChecked()) return;
  if (links_.controlPanel == nullptr) return;
  links_.controlPanel->raise();
  links_.controlPanel->activateWindow();
}

void MovieWindow::closeEvent(QCloseEvent* event) {
  // Only the user's requests come from the window system; the program's
  // own close at its end must go through, or it could not quit.
  if (!event->spontaneous()) {
    event->accept();
    return;
  }
  event->setAccepted(FormCloseQuery());
}

void MovieWindow::keyPressEvent(QKeyEvent* event) {
  FormKeyDown(KeyDownFromQt(event->key(), event->modifiers()));
  if (const std::optional<char> character = TypedCharacter(*event)) FormKeyPress(*character);
  event->accept();
}

// The picture always covers the whole client area.
void MovieWindow::resizeEvent(QResizeEvent*) { displayImage_->setGeometry(rect()); }

void MovieWindow::showEvent(QShowEvent*) {
  if (shownBefore_) return;
  shownBefore_ = true;
  // Centred once framed, and fitted again should its frame take it past the
  // screen: the size it was given before it had one counted no frame.
  FitAndCentreOnScreen(*this, size(), QueryScreenSize(), QueryAvailableArea());
}

QMenu* MovieWindow::BuildContextMenu() {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* exportAction = menu->addAction(QString::fromUtf8("Export animation\u2026"));
  // A playback decodes from the same store and runs the event loop itself;
  // an export inside it would hold the playback up half-way.
  exportAction->setEnabled(links_.playback == nullptr || !links_.playback->Playing);
  connect(exportAction, &QAction::triggered, this, &MovieWindow::ExportAnimation);
  return menu;
}

void MovieWindow::contextMenuEvent(QContextMenuEvent* event) {
  BuildContextMenu()->popup(event->globalPos());
  event->accept();
}

namespace {

class ProgressObserver : public ConvertObserver {
 public:
  explicit ProgressObserver(ProgressBox& box) : box_(box) {}
  void Progress(int done, int total) override { cancelled_ = box_.Update(done, total) || cancelled_; }
  bool Cancelled() override { return cancelled_; }

 private:
  ProgressBox& box_;
  bool cancelled_ = false;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

void MovieWindow::ExportAnimation() {
  if (links_.playback != nullptr && links_.playback->Playing) return;
  const bool inMemory = links_.flic != nullptr && links_.flic->FlicInMemory;
  std::string source = inMemory ? windowTitle().toStdString() : "";
  try {
    const ExportCalls& convert = LoadExportCalls();
    if (!inMemory) {
      const std::optional<std::string> chosen = services_->ShowOpenDialog({kFlicOpenFilter, "", ""});
      if (!chosen) return;
      source = *chosen;
    }
    const std::optional<std::string> target =
        services_->ShowSaveDialog({convert.saveDialogFilter(), "", BaseName(source) + ".gif", true});
    if (!target) return;
    const std::unique_ptr<ProgressBox> box = services_->ShowProgressBox(kApplicationTitle, "Exporting " + *target);
    ProgressObserver observer(*box);
    if (inMemory) {
      convert.convertFlicInMemory(links_.flic->Header, links_.flic->Store, source, *target, ConvertOptions{}, observer);
    } else {
      convert.convertFile(source, *target, ConvertOptions{}, observer);
    }
  } catch (const ConvertCancelled&) {
    // Nothing was written, which is what cancelling asks for.
  } catch (const ConvertError& error) {
    ShowGeneralError(*services_, error.what());
  }
}

void SizeMovieWindow(QWidget& movieWindow, bool& movieZoomed, uint16_t width, uint16_t height) {
  movieZoomed = false;
  SetNormalState(movieWindow);
  FitAndCentreOnScreen(movieWindow, QSize(width, height), QueryScreenSize(), QueryAvailableArea());
}

}  // namespace kt
