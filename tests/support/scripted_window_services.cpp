#include "scripted_window_services.h"

namespace kt::test {

namespace {

template <typename T, typename U>
T TakeFront(std::deque<T>& queue, U whenEmpty) {
  if (queue.empty()) return whenEmpty;
  T front = queue.front();
  queue.pop_front();
  return front;
}

}  // namespace

BoxButton ScriptedWindowServices::ShowMessageBox(const MessageBoxRequest& request) {
  boxes.push_back(request);
  return TakeFront(boxAnswers, BoxButton::None);
}

std::optional<std::string> ScriptedWindowServices::ShowOpenDialog(const FileDialogRequest& request) {
  openDialogs.push_back(request);
  return TakeFront(openAnswers, std::nullopt);
}

std::optional<std::string> ScriptedWindowServices::ShowSaveDialog(const FileDialogRequest& request) {
  saveDialogs.push_back(request);
  return TakeFront(saveAnswers, std::nullopt);
}

void ScriptedWindowServices::SetBusyCursor(bool on) {
  busy = on;
  busyChanges.push_back(on);
}

}  // namespace kt::test
