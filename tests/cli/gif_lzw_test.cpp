#include "convert/gif_lzw.h"
#include "convert/gif_lzw_wildcard.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kt {
namespace {

struct Reading {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* to, int count) {
  auto* reading = static_cast<Reading*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(count), reading->bytes->size() - reading->at);
  std::memcpy(to, reading->bytes->data() + reading->at, n);
  reading->at += n;
  return static_cast<int>(n);
}

// The block in a GIF of its own, read back by giflib.
std::vector<uint8_t> ReadBack(const GifImage& image,
                              void (*append)(const GifImage&, std::vector<uint8_t>&) = AppendGifImage) {
  std::vector<uint8_t> file = {'G',
                               'I',
                               'F',
                               '8',
                               '9',
                               'a',
                               static_cast<uint8_t>(image.width),
                               static_cast<uint8_t>(image.width >> 8),
                               static_cast<uint8_t>(image.height),
                               static_cast<uint8_t>(image.height >> 8),
                               0,
                               0,
                               0};
  append(image, file);
  file.push_back(0x3B);
  Reading reading{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&reading, ReadBytes, &error);
  EXPECT_NE(gif, nullptr);
  if (gif == nullptr) return {};
  std::vector<uint8_t> pixels;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
    const SavedImage& saved = gif->SavedImages[0];
    pixels.assign(saved.RasterBits, saved.RasterBits + image.width * image.height);
  }
  DGifCloseFile(gif, &error);
  return pixels;
}

TEST(GifLzwTest, EveryCodeSizeAndFullDictionaryReadBackByGiflib) {
  std::mt19937 random(7);
  for (const int bits : {2, 3, 5, 8}) {
    for (const bool runs : {false, true}) {
      SCOPED_TRACE(std::to_string(bits) + (runs ? " runs" : " noise"));
      // Large enough that the dictionary fills and starts again many times.
      GifImage image{3, 4, 301, 97, bits};
      std::vector<uint8_t> plain(static_cast<size_t>(image.width) * image.height);
      for (size_t i = 0; i < plain.size(); ++i) {
        plain[i] = runs && i > 0 && random() % 8 != 0 ? plain[i - 1] : static_cast<uint8_t>(random() % (1u << bits));
      }
      image.pixels = plain.data();
      EXPECT_EQ(ReadBack(image), plain);
      // Unchanged pixels as a spare index, each free to keep its own.
      std::vector<uint8_t> sparse = plain;
      for (size_t i = 0; i < sparse.size(); ++i) {
        if (random() % 3 == 0) sparse[i] = 0;
      }
      image.pixels = sparse.data();
      image.alternatives = plain.data();
      // Also where each string is sought along either index of its pixels.
      for (const auto append : {AppendGifImage, AppendGifImageChoosing}) {
        const std::vector<uint8_t> either = ReadBack(image, append);
        ASSERT_EQ(either.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) {
          ASSERT_TRUE(either[i] == sparse[i] || either[i] == plain[i]) << i;
        }
      }
    }
  }
  GifImage one{0, 0, 1, 1, 2};
  const uint8_t pixel = 3;
  one.pixels = &pixel;
  EXPECT_EQ(ReadBack(one), std::vector<uint8_t>{3});
}

}  // namespace
}  // namespace kt
