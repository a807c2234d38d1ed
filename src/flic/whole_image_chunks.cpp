// BLACK, BYTE_RUN and FLI_COPY: chunks that cover the whole image.
#include "flic/chunk_decoders.h"

namespace kt::decode {

bool DecodeBlack(const FrameTarget& target) {
  const Image image(target);
  if (image.end > 0) std::memset(image.pixels, 0, image.end);
  return true;
}

namespace {

// The packets of one line from x on, each cut at the image's or the data's
// end. False when the data ran out.
bool DecodeRunsChecked(ChunkData& in, const Image& image, uint32_t offset, uint32_t x, uint32_t width, bool& clipped) {
  // Every turn consumes data, a zero count its two bytes too, so a line
  // cannot spin on an endless run of zero counts.
  while (x < width) {
    if (!in.Has(1)) return false;
    const int8_t c = in.S8();
    if (c >= 0) {
      if (!in.Has(1)) return false;
      clipped |= !image.Fill(offset, in.U8(), static_cast<uint32_t>(c));
      x += static_cast<uint32_t>(c);
    } else {
      const uint32_t want = static_cast<uint32_t>(-c);
      const uint32_t have = std::min(want, in.Left());
      clipped |= !image.Copy(offset, in.Here(), have);
      if (have < want) return false;
      in.Skip(want);
      x += want;
    }
  }
  return true;
}

// Each run checked once against data and image with the position in
// registers; one that would pass either end goes to the checked loop.
bool DecodeRuns(ChunkData& in, const Image& image, uint32_t offset, uint32_t width, bool& clipped) {
  const uint8_t* const data = in.Data();
  const uint32_t size = in.Size();
  uint32_t pos = in.Pos();
  uint8_t* const pixels = image.pixels;
  const uint32_t end = image.end;
  uint32_t x = 0;
  while (x < width) {
    if (size - pos < 2) break;
    const auto c = static_cast<int8_t>(data[pos]);
    if (c >= 0) {
      const auto bytes = static_cast<uint32_t>(c);
      if (bytes > end - offset) break;
      FillBytes(pixels + offset, data[pos + 1], bytes);
      pos += 2;
      offset += bytes;
      x += bytes;
    } else {
      const auto bytes = static_cast<uint32_t>(-c);
      if (bytes > end - offset || bytes > size - pos - 1) break;
      CopyBytes(pixels + offset, data + pos + 1, bytes);
      pos += 1 + bytes;
      offset += bytes;
      x += bytes;
    }
  }
  in.SetPos(pos);
  return x >= width || DecodeRunsChecked(in, image, offset, x, width, clipped);
}

}  // namespace

bool DecodeByteRun(const uint8_t* data, uint32_t size, const FrameTarget& target) {
  ChunkData in(data, size);
  const Image image(target);
  bool clipped = false;
  for (uint32_t y = 0; y < target.height; ++y) {
    // The line's packet-count byte cannot count past 255 packets and encoders
    // fill it carelessly, so only the width ends a line.
    in.Skip(1);
    // Runs may pass the row's end; the next line starts over at its own row.
    if (!DecodeRuns(in, image, image.RowStart(y, target.width), target.width, clipped)) return false;
  }
  return !clipped;
}

bool DecodeFliCopy(const uint8_t* data, uint32_t size, const FrameTarget& target) {
  const Image image(target);
  const uint32_t n = std::min(size, image.end);
  if (n > 0) std::memcpy(image.pixels, data, n);
  return size >= image.end;
}

}  // namespace kt::decode
