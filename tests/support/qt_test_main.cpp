// Test main for the Qt-side binaries: one QApplication for the whole run.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace {

// No test reads or writes the user's stored options: the run gets a
// configuration folder of its own, emptied before each test.
class FreshSettingsFolder : public ::testing::EmptyTestEventListener {
 public:
  explicit FreshSettingsFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
  void OnTestStart(const ::testing::TestInfo&) override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_ / "Kinetrope", ignored);
  }

 private:
  std::filesystem::path folder_;
};

}  // namespace

int main(int argc, char** argv) {
  // gtest_discover_tests runs this binary without the tests' environment.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string config = (std::filesystem::temp_directory_path() / "kinetrope-config-XXXXXX").string();
  if (mkdtemp(config.data()) == nullptr) return EXIT_FAILURE;
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettingsFolder(config));
  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(config, ignored);
  return result;
}
