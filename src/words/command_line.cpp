#include "words/command_line.h"

#include <unistd.h>

#include <locale.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "base/errors.h"
#include "base/integer_text.h"
#include "platform/path_lookup.h"
#include "platform/regular_file.h"

namespace kt {

void SleepMilliseconds(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// ---- Tokens -------------------------------------------------------------------

namespace {

constexpr size_t kScriptLastIndex = 65534;
// No file name or word comes near this; a longer line (a binary file without
// line ends) is cut here rather than held whole in memory.
constexpr size_t kMaxScriptLineBytes = 64 * 1024;

constexpr const char* kScriptAdvice = " Give a text file with one word or flic file name a line.";

// Whether the open script holds a NUL byte, which no text does. Reads to the
// end and goes back to the start; a read error stops the search and is left
// for the reading of the lines to report.
bool HoldsNulByte(std::FILE* script) {
  char buffer[64 * 1024];
  bool found = false;
  while (!found) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, script);
    if (got == 0) break;
    found = std::memchr(buffer, '\0', got) != nullptr;
  }
  std::clearerr(script);
  std::rewind(script);
  return found;
}

}  // namespace

TokenSource::TokenSource(std::vector<std::string> parameters) : parameters_(std::move(parameters)) {
  if (!parameters_.empty() && !parameters_.front().empty() && parameters_.front().front() == '!') {
    // The script's name keeps its letter case; the lookup still forgives a
    // name typed in another case, as the flic names are forgiven.
    const std::string name = FindPathIgnoringCase(parameters_.front().substr(1));
    const RegularFileOpen opened = OpenRegularFile(name);
    if (opened.notRegular) {
      throw PlayerError("The script " + name + " is " + FileKindText(opened.type) + ", not a text file." +
                        kScriptAdvice);
    }
    if (opened.fd >= 0) {
      script_ = ::fdopen(opened.fd, "rb");
      if (script_ == nullptr) ::close(opened.fd);
    }
    if (script_ != nullptr && HoldsNulByte(script_)) {
      std::fclose(script_);
      script_ = nullptr;
      throw PlayerError("The file " + name + " is not a script: it holds NUL bytes, as binary files do." +
                        kScriptAdvice);
    }
    SkipByteOrderMark();
  }
  lastIndex_ = script_ != nullptr ? kScriptLastIndex : parameters_.size();
}

TokenSource::~TokenSource() {
  if (script_ != nullptr) std::fclose(script_);
}

// Editors that write UTF-8 may start the file with a byte-order mark; it is
// no part of the first line.
void TokenSource::SkipByteOrderMark() {
  if (script_ == nullptr) return;
  unsigned char mark[3] = {};
  const size_t got = std::fread(mark, 1, sizeof mark, script_);
  if (got == sizeof mark && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return;
  // Not a mark: read the file from its start. A read error shows at the first line.
  std::clearerr(script_);
  std::rewind(script_);
}

// One line up to its end: CR LF, LF, or CR alone as older editors write
// them. Blanks stay in the line.
TokenSource::Line TokenSource::ReadLine(std::string& line) {
  line.clear();
  int c = std::fgetc(script_);
  if (c == EOF) return std::ferror(script_) ? Line::Error : Line::End;
  while (c != EOF && c != '\n' && c != '\r') {
    if (line.size() < kMaxScriptLineBytes) line.push_back(static_cast<char>(c));
    c = std::fgetc(script_);
  }
  if (c == EOF && std::ferror(script_)) return Line::Error;
  if (c == '\r') {
    const int next = std::fgetc(script_);
    if (next != '\n' && next != EOF) std::ungetc(next, script_);
  }
  return Line::Read;
}

std::string TokenSource::ReadToken() {
  if (script_ == nullptr) {
    return counter_ >= 1 && counter_ <= parameters_.size() ? parameters_[counter_ - 1] : std::string();
  }
  std::string line;
  errno = 0;
  switch (ReadLine(line)) {
    case Line::Read: return line;
    case Line::End: counter_ = lastIndex_; return {};
    case Line::Error: break;
  }
  throw InOutError(IoErrorText(errno != 0 ? errno : EIO));
}

std::string TokenSource::NextToken() {
  ++counter_;
  if (script_ == nullptr) return ReadToken();
  std::string line;
  return ReadLine(line) == Line::Read ? line : std::string();
}

bool TokenSource::Advance() {
  ++counter_;
  return counter_ <= lastIndex_;
}

// ---- The words ----------------------------------------------------------------

const std::vector<WordInfo>& Words() {
  static const std::vector<WordInfo> words = {
      {"MAXPALON", Word::MaxPalOn, "", "use the maximum palette"},
      {"MAXPALOFF", Word::MaxPalOff, "", "leave the system colours alone"},
      {"LOOPON", Word::LoopOn, "", "loop playback"},
      {"LOOPOFF", Word::LoopOff, "", "play once"},
      {"WINMAX", Word::WinMax, "", "maximise the movie window and keep its size at the next flic"},
      {"WINNORMAL", Word::WinNormal, "", "movie window neither maximised nor minimised"},
      {"TITLEON", Word::TitleOn, "", "movie window with border and title"},
      {"TITLEOFF", Word::TitleOff, "", "movie window without border"},
      {"BIGREADON", Word::BigReadOn, "", "read each frame from disk in one block"},
      {"ONTOPON", Word::OnTopOn, "", "movie window stays on top"},
      {"ONTOPOFF", Word::OnTopOff, "", "movie window is an ordinary window"},
      {"WAIT", Word::Wait, "MS", "wait, not answering the windows (0..65535 ms)"},
      {"DELAY", Word::Delay, "MS", "delay between frames: 0 none, 1..999 ms, 1000 the flic's own"},
      {"BRIGHTNESS", Word::Brightness, "N", "brightness 0..255"},
      {"CONTRAST", Word::Contrast, "X.Y", "contrast factor 0.0..25.0"},
      {"PLAY", Word::Play, "FILE", "load a flic into memory and play it"},
      {"PLAYFILE", Word::PlayFile, "FILE", "play a flic from disk"},
      {"WAVFILE", Word::WavFile, "FILE", "sound for the next playback"},
      {"HIDEMENU", Word::HideMenu, "", "move the control panel off the screen"},
      {"SHOWMENU", Word::ShowMenu, "", "accepted; changes nothing"},
      {"DIRECTXON", Word::DirectXOn, "", "play full screen"},
      {"OPTIMIZEON", Word::OptimizeOn, "", "optimised decoding"},
      {"OPTIMIZEOFF", Word::OptimizeOff, "", "plain decoding"},
      {"DIRECTXOFF", Word::DirectXOff, "", "play in the movie window"},
      {"AUTOMODEON", Word::AutoModeOn, "", "choose the full-screen mode automatically"},
      {"AUTOMODEOFF", Word::AutoModeOff, "", "use the forced full-screen mode"},
      {"ONESURFON", Word::OneSurfOn, "", "full screen on one surface"},
      {"ONESURFOFF", Word::OneSurfOff, "", "full screen flipping two surfaces"},
      {"FPSON", Word::FpsOn, "", "show the frame rate full screen"},
      {"FPSOFF", Word::FpsOff, "", "no frame rate full screen"},
      {"MODE", Word::Mode, "N", "forced mode: -1 none, 0 320x200 .. 8 1280x1024"},
      {"CLOSE", Word::Close, "", "end the program, settings neither loaded nor saved"},
  };
  return words;
}

std::optional<Word> FindWord(const std::string& name) {
  for (const WordInfo& info : Words()) {
    if (name == info.name) return info.word;
  }
  return std::nullopt;
}

uint16_t WaitArgument(const std::string& text) {
  const std::optional<int32_t> value = ParseInt32(text);
  return value ? static_cast<uint16_t>(static_cast<uint32_t>(*value) & 0xFFFF) : 0;
}

int DelayArgument(const std::string& text) {
  const std::optional<int32_t> value = ParseInt32(text);
  return value ? std::clamp<int32_t>(*value, 0, 1000) : 1000;
}

int BrightnessArgument(const std::string& text) {
  const std::optional<int32_t> value = ParseInt32(text);
  return value ? std::clamp<int32_t>(*value, 0, 255) : 0;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Sign, digits, optional fraction, optional exponent; at least one digit
// before the exponent.
bool IsDecimalNumber(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponentDigits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == n;
}

// The number with a 64-bit significand, read with a full stop as the
// decimal point whatever locale the toolkit has installed.
long double ReadLongDouble(const std::string& text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtold_l(text.c_str(), nullptr, c);
}

const ContrastFactor kNeutralContrast = ContrastFactor::Round(1.0L);

}  // namespace

ContrastFactor ContrastArgument(const std::string& text) {
  if (!IsDecimalNumber(text)) return kNeutralContrast;
  try {
    return ContrastFactor::Round(ReadLongDouble(text));
  } catch (const std::range_error&) {
    return kNeutralContrast;  // too large for the real: 1e50, or beyond even a long double
  }
}

int ContrastBarFor(ContrastFactor factor) {
  const long double tenfold = std::nearbyintl(factor.Value() * 10.0L);  // halves to even
  if (tenfold <= 0.0L) return 0;
  if (tenfold >= 250.0L) return 250;
  return static_cast<int>(tenfold);
}

std::optional<int> ModeArgument(const std::string& text) {
  const std::optional<int32_t> value = ParseInt32(text);
  if (!value) return std::nullopt;
  return std::clamp<int32_t>(*value, -1, 8);
}

void WaitTicks(uint32_t startTick, uint16_t milliseconds, const std::function<uint32_t()>& tick,
               const std::function<void(uint32_t)>& sleep) {
  for (;;) {
    const uint32_t elapsed = tick() - startTick;
    if (elapsed >= milliseconds) return;
    sleep(milliseconds - elapsed);
  }
}

}  // namespace kt
