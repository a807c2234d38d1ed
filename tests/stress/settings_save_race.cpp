// Players saving their options at the same moment, as real processes: each
// saves a value of its own again and again, and now and then a save is
// killed half-way, leaving its new file behind. Every save must report
// success, and every player must find in the file exactly what it saved
// last, whatever the others wrote and cleaned up in between.
//
// usage: settings_save_race [--processes N] [--saves N] [--seconds S] [--in FOLDER]
// (--seconds 0: no time limit). Exit status 1 when a save failed or was lost.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/settings_store.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A save that dies after writing half its new file, holding its locks.
void KilledSave(const fs::path& folder, const std::string& name) {
  const pid_t child = fork();
  if (child == 0) {
    kt::SettingsStore key(folder, [](int fd, const void* data, size_t size) -> ssize_t {
      _exit(::write(fd, data, size / 2) < 0 ? 2 : 0);
    });
    if (key.Open()) key.Set(name, "killed");
    key.Close();
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

// One player's run; says what it saw, and exits 1 on a failed or lost save.
[[noreturn]] void Player(const fs::path& folder, int number, int saves, std::optional<Clock::time_point> deadline) {
  const std::string name = "Player" + std::to_string(number);
  std::optional<std::string> last;
  int done = 0, failed = 0, lost = 0, killed = 0;
  std::string firstProblem;
  const auto problem = [&firstProblem](const std::string& text) {
    if (firstProblem.empty()) firstProblem = text;
  };
  for (; done < saves && (!deadline || Clock::now() < *deadline); ++done) {
    kt::SettingsStore key(folder);
    if (const kt::SettingsOutcome opened = key.Open(); !opened) {
      ++failed;
      problem("open: " + opened.failure);
      continue;
    }
    if (key.Query(name) != last) {
      ++lost;
      problem(name + " was " + key.Query(name).value_or("absent") + " after saving " + last.value_or("nothing"));
    }
    const std::string value = std::to_string(done);
    key.Set(name, value);
    key.Set("Shared", name + ":" + value);
    if (const kt::SettingsOutcome closed = key.Close()) {
      last = value;
    } else {
      ++failed;
      problem("save " + value + ": " + closed.failure);
    }
    if (done % 97 == 13) {
      KilledSave(folder, "Dying" + std::to_string(number));
      ++killed;
    }
  }
  std::printf("player %d: %d saves (%d more killed half-way), %d failed, %d lost%s%s\n", number, done, killed, failed,
              lost, firstProblem.empty() ? "" : "; first: ", firstProblem.c_str());
  std::fflush(stdout);
  _exit(failed == 0 && lost == 0 && done > 0 ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
  int processes = 2, saves = 2000, seconds = 10;
  // In memory where there is a tmpfs: the race is in the folder's names and
  // locks, and without a disk's flushes many more saves meet in the time.
  std::error_code error;
  fs::path base = fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--processes") processes = std::atoi(argv[i + 1]);
    if (flag == "--saves") saves = std::atoi(argv[i + 1]);
    if (flag == "--seconds") seconds = std::atoi(argv[i + 1]);
    if (flag == "--in") base = argv[i + 1];
  }
  std::string pattern = (base / "kinetrope-save-race-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 2;
  const fs::path folder = pattern;
  const auto started = Clock::now();
  std::optional<Clock::time_point> deadline;
  if (seconds > 0) deadline = started + std::chrono::seconds(seconds);

  for (int number = 0; number < processes; ++number) {
    if (fork() == 0) Player(folder, number, saves, deadline);
  }
  bool ok = true;
  for (int status = 0; wait(&status) > 0;) ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;

  // One more save cleans up after the last killed one; then only the file is left.
  {
    kt::SettingsStore key(folder);
    ok = key.Open() && ok;
    key.Set("Done", "1");
    ok = key.Close() && ok;
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() == kt::kSettingsFileName) continue;
    std::printf("left over: %s\n", entry.path().filename().c_str());
    ok = false;
  }
  std::printf("%d processes in %.1f s: %s\n", processes, std::chrono::duration<double>(Clock::now() - started).count(),
              ok ? "every save kept" : "FAILED");
  fs::remove_all(folder);
  return ok ? 0 : 1;
}
