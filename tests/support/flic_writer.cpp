#include "flic_writer.h"

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "base/bytes.h"

namespace kt::test {

Bytes BuildFlic(const FlicSpec& spec) {
  // The header and the gap after it in one allocation: growing the vector here trips a false GCC 12 warning.
  Bytes out(128 + spec.gapAfterHeader, 0xEE);
  std::fill(out.begin(), out.begin() + 128, 0);
  const bool flc = spec.magic != 0xAF11;
  WriteU16(&out[4], spec.magic);
  const uint16_t frames =
      spec.declaredFrames.value_or(static_cast<uint16_t>(spec.records.empty() ? 0 : spec.records.size() - 1));
  WriteU16(&out[6], frames);
  WriteU16(&out[8], spec.width);
  WriteU16(&out[10], spec.height);
  WriteU16(&out[12], spec.depth);
  WriteU32(&out[16], spec.speed);
  WriteU32(&out[80], flc ? 128 + spec.gapAfterHeader : spec.fileOframe1);
  WriteU32(&out[84], spec.fileOframe2);
  out.insert(out.end(), spec.leadingRecords.begin(), spec.leadingRecords.end());
  for (const FrameSpec& frame : spec.records) {
    const Bytes record = FrameRecord(frame);
    out.insert(out.end(), record.begin(), record.end());
  }
  WriteU32(&out[0], static_cast<uint32_t>(out.size()));
  return out;
}

ChunkSpec Color256(const std::vector<std::array<uint8_t, 3>>& colours, uint8_t skip) {
  ChunkSpec chunk{4, {}, {}};
  AppendU16(chunk.data, 1);
  chunk.data.push_back(skip);
  chunk.data.push_back(static_cast<uint8_t>(colours.size()));  // 256 colours wrap to 0, as the format says
  for (const auto& c : colours) chunk.data.insert(chunk.data.end(), c.begin(), c.end());
  return chunk;
}

ChunkSpec FliCopy(const Bytes& pixels) { return ChunkSpec{16, pixels, {}}; }

ChunkSpec Black() { return ChunkSpec{13, {}, {}}; }

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string SaveFlic(const std::filesystem::path& path, const FlicSpec& spec) {
  WriteFile(path, BuildFlic(spec));
  return path.string();
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kinetrope-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TestFlicsDir() { return KINETROPE_TEST_FLICS; }

std::vector<std::filesystem::path> TestFlics() {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(TestFlicsDir(), error)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".fli" || ext == ".flc" || ext == ".cel") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  // They are part of the source tree: a test that finds none must not pass by checking nothing.
  if (files.empty()) ADD_FAILURE() << "no flics in " << TestFlicsDir();
  return files;
}

}  // namespace kt::test
