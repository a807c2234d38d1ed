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

std::string OneLineText(const std::string& text) {
  std::string line;
  bool breakPending = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
      breakPending = !line.empty();
      continue;
    }
    if (breakPending) {
      if (c == ' ' || c == '\t') continue;
      line += ' ';
      breakPending = false;
    }
    line += c;
  }
  return line;
}

void WriteToStandardError(const std::string& text) {
  // One write, so that the line stays whole beside other programs writing to the same terminal.
  const std::string line = "kinetrope: " + OneLineText(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string MessageBoxText(const std::string& text) {
  WriteToStandardError(text);
  return ShortenedForMessage(text);
}

}  // namespace kt
