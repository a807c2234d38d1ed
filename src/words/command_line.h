// The unattended run: command-line parameters, or the lines of a script
// file named "!FILE" by the first parameter, read as a sequence of tokens.
// A token is a flic file name, played from disk, or a word ("/DELAY",
// "-close") that may take the next token as its argument. The control
// panel's RunCommandLine runs them once; the parts here know nothing of the
// windows, so the rules of the tokens and arguments are testable alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colour/contrast_factor.h"

namespace kt {

// What the control panel needs to run the words: the program's parameters
// (parameter 0, the program itself, left out), how WAIT passes its time and
// how CLOSE asks the application to end. Tests give their own.
void SleepMilliseconds(uint32_t milliseconds);

struct CommandLineSetup {
  std::vector<std::string> parameters;
  // Blocks for about this many milliseconds without handling any window
  // message; WAIT calls it until the tick count has advanced far enough.
  std::function<void(uint32_t)> sleep = SleepMilliseconds;
  // Nothing when empty: CLOSE then only ends the run of the words. The
  // program's own, which needs the toolkit, is made beside the control panel.
  std::function<void()> endApplication;
};

// The token sequence with its counter. In command-line mode the counter is
// the number of the parameter to read; in script mode it only bounds the
// run, at 65534 tokens. The counter is wider than the parameter count can
// be, so the run ends after the last parameter however many there are.
class TokenSource {
 public:
  // Script mode when the first parameter starts with "!" and the file named
  // by the rest of it opens; command-line mode otherwise, the failed "!"
  // parameter being the first token. A file that is there but is no
  // regular file, or holds NUL bytes, is no script: a PlayerError says so.
  explicit TokenSource(std::vector<std::string> parameters);
  ~TokenSource();
  TokenSource(const TokenSource&) = delete;
  TokenSource& operator=(const TokenSource&) = delete;

  bool ScriptMode() const { return script_ != nullptr; }
  size_t Counter() const { return counter_; }

  // The token at the counter. At the end of the script the token is empty
  // and the counter moves to the last index, so the run ends after it. A
  // read error on the script throws the input/output error.
  std::string ReadToken();
  // An argument: one past the counter. Empty past the last parameter, at
  // the end of the script and on a read error.
  std::string NextToken();
  // Counts the token just handled; false once the counter is past the last index.
  bool Advance();

 private:
  enum class Line { Read, End, Error };
  Line ReadLine(std::string& line);
  void SkipByteOrderMark();

  std::vector<std::string> parameters_;
  std::FILE* script_ = nullptr;
  size_t counter_ = 1;
  size_t lastIndex_ = 0;
};

// ---- The words --------------------------------------------------------------

enum class Word {
  MaxPalOn,
  MaxPalOff,
  LoopOn,
  LoopOff,
  WinMax,
  WinNormal,
  TitleOn,
  TitleOff,
  BigReadOn,
  OnTopOn,
  OnTopOff,
  Wait,
  Delay,
  Brightness,
  Contrast,
  Play,
  PlayFile,
  WavFile,
  HideMenu,
  ShowMenu,
  DirectXOn,
  OptimizeOn,
  OptimizeOff,
  DirectXOff,
  AutoModeOn,
  AutoModeOff,
  OneSurfOn,
  OneSurfOff,
  FpsOn,
  FpsOff,
  Mode,
  Close,
};

struct WordInfo {
  const char* name;  // upper case, without its "/" or "-"
  Word word;
  const char* argument;  // what the next token must be; empty: none
  const char* effect;
};

const std::vector<WordInfo>& Words();

// The word a token names once its "/" or "-" is gone; compared exactly, so
// "PLAYFILE " with a blank is no word.
std::optional<Word> FindWord(const std::string& name);

// WAIT's milliseconds: the integer modulo 65536; a non-number waits 0.
uint16_t WaitArgument(const std::string& text);
// DELAY's bar position, 0..1000; a non-number gives 1000 (the flic's own delay).
int DelayArgument(const std::string& text);
// BRIGHTNESS's bar position, 0..255; a non-number gives 0.
int BrightnessArgument(const std::string& text);
// CONTRAST's factor, rounded to its 40 bits: a decimal number with an
// optional sign, fraction and exponent. A number too large for the factor,
// or a text that is no such number, gives 1.0.
ContrastFactor ContrastArgument(const std::string& text);
// The contrast bar's position for a factor: factor x 10 rounded halves to
// even, limited to 0..250.
int ContrastBarFor(ContrastFactor factor);
// MODE's item index, limited to -1..8; nullopt for a non-number, which stops the run.
std::optional<int> ModeArgument(const std::string& text);

// Waits until the tick count has gone `milliseconds` past `startTick`,
// sleeping in between; the tick count wraps at 32 bits.
void WaitTicks(uint32_t startTick, uint16_t milliseconds, const std::function<uint32_t()>& tick,
               const std::function<void(uint32_t)>& sleep);

}  // namespace kt
