// A small tmpfs mounted for one test, so that a write can really run out of
// room. Mounting takes root or a user namespace; a test skips where neither is had.
#pragma once

#include <sys/mount.h>

#include <filesystem>
#include <string>

namespace kt::test {

class TmpfsMount {
 public:
  TmpfsMount(const std::filesystem::path& at, const std::string& size) : at_(at) {
    std::filesystem::create_directories(at_);
    mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
  }
  ~TmpfsMount() {
    // A mount left behind goes with the machine's next start; nothing more to do here.
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool Mounted() const { return mounted_; }

 private:
  std::filesystem::path at_;
  bool mounted_ = false;
};

}  // namespace kt::test
