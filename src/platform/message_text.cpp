#include "platform/message_text.h"

#include <cstdio>

namespace kt {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

constexpr const char* kGap = " ... ";

}  // namespace

std::string ShortenedForMessage(const std::string& text) {
  if (text.size() <= kMessageTextLimit) return text;
  const size_t keep = (kMessageTextLimit - std::char_traits<char>::length(kGap)) / 2;
  size_t headEnd = keep;
  while (headEnd > 0 && IsContinuationByte(text[headEnd])) --headEnd;
  size_t tailStart = text.size() - keep;
  while (tailStart < text.size() && IsContinuationByte(text[tailStart])) ++tailStart;
  return text.substr(0, headEnd) + kGap + text.substr(tailStart);
}

std::string MessageBoxText(const std::string& text) {
  std::string shown = ShortenedForMessage(text);
  if (shown.size() != text.size()) {
    std::fputs("kinetrope: ", stderr);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }
  return shown;
}

}  // namespace kt
