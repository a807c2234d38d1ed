// Players saving their options at the same moment, as real processes: each
// saves a value of its own again and again, and now and then a save is
// killed half-way, leaving its new file behind. Every save must report
// success, and every player must find in the file exactly what it saved
// last, whatever the others wrote and cleaned up in between.
//
// usage: settings_save_race [--processes N] [--saves N] [--seconds S] [--in FOLDER]
// (--seconds 0: no time limit). Exit status 1 when a save was lost.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  int processes = 2;
  int saves = 2000;
  int seconds = 10;
  std::string in;  // where the scratch folder goes
};

// What one player saw, handed to the parent through a pipe.
struct Tally {
  int saves = 0;
  int failed = 0;  // Close() said no
  int lost = 0;    // the value saved last was not in the file at the next open
  int killed = 0;
  char firstProblem[200] = {};
};

void Note(Tally& tally, const std::string& problem) {
  if (tally.firstProblem[0] == '\0')
    std::snprintf(tally.firstProblem, sizeof tally.firstProblem, "%s", problem.c_str());
}

// A save that dies after writing half its new file, still holding its locks.
void KilledSave(const fs::path& folder, const std::string& name) {
  const pid_t child = fork();
  if (child == 0) {
    kt::SettingsStore key(folder, [](int fd, const void* data, size_t size) -> ssize_t {
      if (::write(fd, data, size / 2) < 0) _exit(2);
      _exit(0);
    });
    if (key.Open()) {
      key.Set(name, "killed");
      key.Close();
    }
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

Tally Player(const fs::path& folder, int number, const Options& options, Clock::time_point deadline) {
  Tally tally;
  const std::string name = "Player" + std::to_string(number);
  const std::string dyingName = "Dying" + std::to_string(number);
  std::optional<std::string> last;
  for (int round = 0; round < options.saves; ++round) {
    if (options.seconds > 0 && Clock::now() >= deadline) break;
    kt::SettingsStore key(folder);
    if (!key.Open()) {
      ++tally.failed;
      Note(tally, "open: " + key.Failure());
      continue;
    }
    if (key.Query(name) != last) {
      ++tally.lost;
      Note(tally, name + " was " + key.Query(name).value_or("(absent)") + " after saving " + last.value_or("-"));
    }
    const std::string value = std::to_string(round);
    key.Set(name, value);
    key.Set("Shared", name + ":" + value);
    ++tally.saves;
    if (key.Close()) {
      last = value;
    } else {
      ++tally.failed;
      Note(tally, "save " + value + ": " + key.Failure());
    }
    if (round % 97 == 13) {
      KilledSave(folder, dyingName);
      ++tally.killed;
    }
  }
  return tally;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (flag == "--processes") options.processes = value;
    if (flag == "--saves") options.saves = value;
    if (flag == "--seconds") options.seconds = value;
    if (flag == "--in") options.in = argv[i + 1];
  }
  // In memory where there is a tmpfs: the race is in the folder's names and
  // locks, and without a disk's flushes many more saves meet in the time.
  std::error_code error;
  fs::path base = fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  if (!options.in.empty()) base = options.in;
  std::string pattern = (base / "kinetrope-save-race-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 2;
  const fs::path folder = pattern;
  const auto started = Clock::now();
  const auto deadline = started + std::chrono::seconds(options.seconds);

  std::vector<std::pair<pid_t, int>> players;
  for (int number = 0; number < options.processes; ++number) {
    int ends[2];
    if (pipe(ends) != 0) return 2;
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      const Tally tally = Player(folder, number, options, deadline);
      const ssize_t wrote = write(ends[1], &tally, sizeof tally);
      _exit(wrote == sizeof tally ? 0 : 2);
    }
    close(ends[1]);
    players.emplace_back(pid, ends[0]);
  }
  Tally total;
  bool broken = false;
  for (const auto& [pid, fd] : players) {
    Tally tally;
    const bool told = read(fd, &tally, sizeof tally) == sizeof tally;
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!told || !WIFEXITED(status) || WEXITSTATUS(status) != 0) broken = true;
    total.saves += tally.saves;
    total.failed += tally.failed;
    total.lost += tally.lost;
    total.killed += tally.killed;
    if (total.firstProblem[0] == '\0') std::memcpy(total.firstProblem, tally.firstProblem, sizeof tally.firstProblem);
  }

  // One more save cleans up after the last killed one; then only the file is left.
  {
    kt::SettingsStore key(folder);
    if (!key.Open()) broken = true;
    key.Set("Done", "1");
    if (!key.Close()) broken = true;
  }
  std::vector<std::string> leftOver;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() != kt::kSettingsFileName) leftOver.push_back(entry.path().filename().string());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf("%d processes, %d saves in %.1f s (%d killed half-way): %d failed, %d lost, %zu files left over\n",
              options.processes, total.saves, seconds, total.killed, total.failed, total.lost, leftOver.size());
  if (total.firstProblem[0] != '\0') std::printf("first problem: %s\n", total.firstProblem);
  for (const std::string& name : leftOver) std::printf("left over: %s\n", name.c_str());
  fs::remove_all(folder);
  return broken || total.failed != 0 || total.lost != 0 || !leftOver.empty() || total.saves == 0 ? 1 : 0;
}
