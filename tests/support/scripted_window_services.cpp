#include "scripted_window_services.h"

#include <stdexcept>

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

std::unique_ptr<ProgressBox> ScriptedWindowServices::ShowProgressBox(const std::string&, const std::string& text) {
  class Box : public ProgressBox {
   public:
    explicit Box(ScriptedWindowServices& services) : services_(services) {}
    bool Update(int, int) override {
      ++services_.progressUpdates;
      return services_.cancelAt != 0 && services_.progressUpdates >= services_.cancelAt;
    }

   private:
    ScriptedWindowServices& services_;
  };
  progressBoxes.push_back(text);
  return std::make_unique<Box>(*this);
}

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

void ScriptedWindowServices::ProcessMessages() {
  ++processMessagesCalls;
  if (onMessages) onMessages();
}

void ScriptedWindowServices::WaitForMessages(uint32_t timeoutMs) {
  waits.push_back(timeoutMs);
  // A hold that waits for ever needs a message to end it; without a script
  // it would never return, so a test that forgets one fails loudly instead.
  if (timeoutMs == kWaitForever && !onMessages) throw std::logic_error("endless wait without scripted messages");
  // A script that never ends a hold would spin here for ever.
  if (waits.size() > 1000000) throw std::logic_error("a playback waited a million times");
  if (timeoutMs != kWaitForever) clock += timeoutMs;
  holding = timeoutMs == kWaitForever;
  if (onMessages) onMessages();
  holding = false;
}

}  // namespace kt::test
