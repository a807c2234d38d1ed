// Builds flic files byte by byte for tests: any frames, chunks, padding,
// first-frame offset and damage.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "flic_records.h"

namespace kt::test {

struct FlicSpec {
  uint16_t magic = 0xAF12;
  uint16_t width = 4;
  uint16_t height = 4;
  uint16_t depth = 8;
  uint32_t speed = 0;
  uint32_t gapAfterHeader = 0;  // FLC: bytes between the header and frame 0 (oframe1 = 128 + gap)
  // Records written between the gap and frame 0 (settings, segment table);
  // the FLC's oframe1 points at the first of them.
  Bytes leadingRecords;
  // Every frame record in file order, the ring frame last when there is one.
  std::vector<FrameSpec> records;
  std::optional<uint16_t> declaredFrames;  // default: records.size() - 1 (the last is the ring)
  uint32_t fileOframe1 = 0;                // FLI: what stands in the unused oframe1 field
  uint32_t fileOframe2 = 0;
};

Bytes BuildFlic(const FlicSpec& spec);

// Chunk data of the common kinds.
ChunkSpec Color256(const std::vector<std::array<uint8_t, 3>>& colours, uint8_t skip = 0);
ChunkSpec FliCopy(const Bytes& pixels);
ChunkSpec Black();

// Writes bytes to a file; SaveFlic writes the flic a FlicSpec describes and returns the path.
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
std::string SaveFlic(const std::filesystem::path& path, const FlicSpec& spec);
Bytes ReadFileBytes(const std::filesystem::path& path);
std::string ReadFileText(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The real flics kept with the tests (tests/data/flics), by name; none is a failure.
std::filesystem::path TestFlicsDir();
std::vector<std::filesystem::path> TestFlics();

}  // namespace kt::test
