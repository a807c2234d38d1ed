// Window services for tests: answers boxes and dialogs from queues and
// records what was shown, so tests can assert the exact texts.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_services.h"

namespace kt::test {

class ScriptedWindowServices : public WindowServices {
 public:
  // Answers, taken in order; an empty queue answers None (boxes) or cancel (dialogs).
  std::deque<BoxButton> boxAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;

  // What was shown.
  std::vector<MessageBoxRequest> boxes;
  std::vector<FileDialogRequest> openDialogs;
  std::vector<FileDialogRequest> saveDialogs;
  std::vector<bool> busyChanges;
  int processMessagesCalls = 0;
  bool busy = false;

  // A clock the waits move on: each wait returns at its deadline, as if no
  // message came, so playbacks run in no real time. Tests read it as the tick.
  uint32_t clock = 0;
  std::vector<uint32_t> waits;
  // Runs at every delivery of messages (ProcessMessages and each wait): the
  // place where a test plays the user clicking during a playback.
  std::function<void()> onMessages;
  // True while onMessages runs inside a wait for ever: a paused playback's hold.
  bool holding = false;

  // Progress boxes: the text of each one shown and the updates of all; every
  // update from the cancelAt-th on reports Cancel (0: none does).
  std::vector<std::string> progressBoxes;
  int progressUpdates = 0;
  int cancelAt = 0;

  BoxButton ShowMessageBox(const MessageBoxRequest& request) override;
  std::unique_ptr<ProgressBox> ShowProgressBox(const std::string& caption, const std::string& text) override;
  std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override;
  std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override;
  void SetBusyCursor(bool on) override;
  void ProcessMessages() override;
  void WaitForMessages(uint32_t timeoutMs) override;
};

}  // namespace kt::test
