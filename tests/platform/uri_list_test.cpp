#include <gtest/gtest.h>

#include "platform/uri_list.h"

namespace kt {
namespace {

TEST(UriListTest, LocalFilesComeBackAsTheBytesOfTheirNamesInOrder) {
  const std::string list =
      "# dragged from a file manager\r\n"
      "file:///home/me/Caf%E9/intro%201.flc\r\n"  // a Latin-1 folder name: not UTF-8
      "file://localhost/tmp/a%2Fb.fli\r\n"        // %2F is a byte like any other here
      "file://desk/srv/anims/logo.cel\r\n"        // this machine by its name
      "FILE:/tmp/100%.flc\n"                      // no host; a lone % stays
      "file://elsewhere/home/me/b.flc\r\n"        // another machine
      "https://example.org/c.flc\r\n"             // no file
      "file:///tmp/nul%00.flc\r\n"                // no name holds a NUL
      "\r\n";
  EXPECT_EQ(LocalFilesOfUriList(list, "desk"), (std::vector<std::string>{"/home/me/Caf\xe9/intro 1.flc", "/tmp/a/b.fli",
                                                                         "/srv/anims/logo.cel", "/tmp/100%.flc"}));
  EXPECT_TRUE(LocalFilesOfUriList("file:relative.flc\nfile://", "desk").empty());
}

}  // namespace
}  // namespace kt
