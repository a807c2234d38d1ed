// The words as the control panel runs them at the start: the input is the
// parameters, one a line, or, when it starts with "!", a script. They go
// through the real panel, its RunCommandLine, word handling and play command,
// against the scripted window services, with the panel's frames turned off:
// a flic is opened and checked, and its playback starts and ends, but shows
// no frame (the frames have fuzzers of their own). Every run must end, leave
// the run flag clear and show only boxes short enough to read.
#include <unistd.h>

#include <QApplication>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "control/control_panel.h"
#include "control/handler_guard.h"
#include "platform/message_text.h"
#include "scripted_window_services.h"
#include "views/movie_window.h"

namespace {

struct Panel {
  kt::test::ScriptedWindowServices services;
  kt::ControlPanel form{services};
  kt::MovieWindow movie;
  std::string script;
  Panel() {
    form.SetMovieWindow(&movie);
    form.SetFramesShown(false);
  }
};

Panel* panel = nullptr;

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

// What the system libraries under Qt keep for the life of the process (the
// same list as tests/lsan.supp), so that a font looked up for the first
// time is not taken for a leak of the input that caused it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libdbus\nleak:libQt6\nleak:libX11\nleak:libxcb\nleak:libglib\nleak:libEGL\n"
         "leak:libGLX\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // Flic names are looked up in an empty folder of their own, and the
  // stored options of the user stay out of reach. The corpus folders must
  // therefore be given as absolute paths (fuzz/run.sh and ctest do).
  std::string folder = (std::filesystem::temp_directory_path() / "kt-words-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) std::abort();
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  if (chdir(folder.c_str()) != 0) std::abort();
  static std::string made = folder;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
  });
  // Long names go whole to standard error beside their shortened box; at
  // thousands of runs a second that would bury the fuzzer's own report,
  // which it and the sanitizers write without stdio's stderr.
  stderr = std::fopen("/dev/null", "w");
  qInstallMessageHandler(Quiet);
  // Neither is ever destroyed: the process ends with them.
  new QApplication(*argc, *argv);
  panel = new Panel;
  panel->script = folder + "/script.txt";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parameters;
  if (!input.empty() && input.front() == '!') {
    std::FILE* file = std::fopen(panel->script.c_str(), "wb");
    if (file == nullptr || std::fwrite(input.data() + 1, 1, size - 1, file) != size - 1 || std::fclose(file) != 0) {
      std::abort();
    }
    parameters.push_back("!" + panel->script);
  } else {
    size_t start = 0;
    for (;;) {
      const size_t end = input.find('\n', start);
      parameters.push_back(input.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  const size_t tokens = parameters.size();

  kt::ControlPanel& form = panel->form;
  kt::test::ScriptedWindowServices& services = panel->services;
  services.boxes.clear();
  form.SetTick([&services] { return services.clock; });
  kt::CommandLineSetup setup;
  setup.parameters = std::move(parameters);
  setup.sleep = [&services](uint32_t ms) { services.clock += ms; };
  setup.endApplication = [] {};
  form.SetCommandLine(std::move(setup));
  kt::PlayerState& state = form.State();
  state.Run.CommandLineDone = false;
  state.Run.CloseRequested = false;
  state.Playback.DiskFlicName.clear();
  state.Playback.WavFileName.clear();

  kt::RunGuarded(services, [&form] { form.RunCommandLine(); });

  if (state.Playback.CommandRunActive || !state.Run.CommandLineDone) std::abort();
  // A script is read up to 65534 lines, and every token shows at most one box.
  if (services.boxes.size() > std::max<size_t>(tokens, size) + 1) std::abort();
  for (const kt::MessageBoxRequest& box : services.boxes) {
    if (box.text.size() > kt::kMessageTextLimit) std::abort();
  }
  return 0;
}
