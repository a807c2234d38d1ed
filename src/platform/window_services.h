// What the player asks of the window system beyond its own windows: modal
// message boxes, the Open and Save dialogs, the busy cursor and letting
// pending messages run. The real implementation is Qt's; tests install a
// scripted one that answers without a person and records what was shown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kt {

enum class BoxButton { None, Ok, Abort, Ignore };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  std::vector<BoxButton> buttons;  // in the order shown; every box here carries the error icon
};

struct FileDialogRequest {
  std::string filter;      // "label|pattern|label|pattern..."; patterns separated by ';'
  std::string initialDir;  // empty: the dialog's own choice
  std::string fileName;    // the name the dialog starts with
  // Saving: a name typed without an extension gets the chosen filter's.
  bool addFilterExtension = false;
};

struct DialogFilter {
  std::string label;
  std::vector<std::string> patterns;
};

// A box that shows how far a long piece of work has come, with a Cancel
// button; it closes when the object goes.
class ProgressBox {
 public:
  virtual ~ProgressBox() = default;
  // Shows `done` of `total` and lets pending messages run; true once the
  // user asked to cancel.
  virtual bool Update(int done, int total) = 0;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  // Modal; returns the button chosen (None when closed without one).
  virtual BoxButton ShowMessageBox(const MessageBoxRequest& request) = 0;
  // A full path, or empty when cancelled. Open accepts only existing files.
  virtual std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) = 0;
  // The program-wide busy cursor, on or off.
  virtual void SetBusyCursor(bool busy) = 0;
  // Delivers every message now waiting and returns.
  virtual void ProcessMessages() = 0;
  // Delivers waiting messages; when there were none, blocks until the next
  // one arrives or timeoutMs pass. The playback's waits and holds use this
  // instead of spinning, so a waiting player costs no processor.
  virtual void WaitForMessages(uint32_t timeoutMs) = 0;
  // A modal progress box. Without a window system, one that shows nothing
  // and is never cancelled.
  virtual std::unique_ptr<ProgressBox> ShowProgressBox(const std::string& caption, const std::string& text);
};

inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

inline constexpr const char* kApplicationTitle = "Kinetrope";
inline constexpr const char* kFlicOpenFilter =
    "Known formats (*.flc,*.fli,*.cel)|*.flc;*.fli;*.cel|Animator flic files (*.fli)|*.fli|"
    "Animator pro flic files (*.flc)|*.flc|Animator pro cel files (*.cel)|*.cel|All files (*.*)|*.*";
inline constexpr const char* kBitmapSaveFilter = "Windows Bitmaps (*.bmp)|*.bmp|All files (*.*)|*.*";

// The "Error" box with Abort alone, or Abort and Ignore. Here and in the
// general box a text too long to read is shortened in its middle; the whole
// text goes to standard error as one line before the box shows.
// `why`, when given, follows the text on standard error on a line of its
// own; the box keeps to its text.
BoxButton ShowErrorBox(WindowServices& services, const std::string& text, bool withIgnore, const std::string& why = "");

// The general error handler's box: the application title as caption, one OK button.
void ShowGeneralError(WindowServices& services, const std::string& text);

// The general handler's text: a full stop is appended when the last character sorts after '.'.
std::string GeneralErrorText(const std::string& text);

// Splits "label|pattern|..." into its pairs; a pattern field holds ';'-separated patterns.
std::vector<DialogFilter> ParseDialogFilter(const std::string& filter);

}  // namespace kt
