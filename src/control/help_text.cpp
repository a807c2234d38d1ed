#include "control/help_text.h"

#include <algorithm>
#include <cstddef>

#include "control/key_table.h"

namespace kt {

std::string TokenRuleText() {
  return "Each FILE is played from disk, once unless /LOOPON, before the next token is\n"
         "read. A token starting with - is a word, in any letter case. A token starting\n"
         "with / is a word when it is one of the words below; otherwise it is a file\n"
         "name when it names an existing file, as /home/me/anims/intro.flc does, and\n"
         "it is skipped, with a line on standard error, when it names nothing. Any\n"
         "other token is a file name. A name (FILE, SCRIPT, the file of /PLAY,\n"
         "/PLAYFILE or /WAVFILE) means the file spelt just so; only when there is\n"
         "none is it found whatever its letter case on disk. With any token at all\n"
         "the run starts with looping off and brightness, contrast and delay at their\n"
         "neutral values; the stored options are loaded afterwards, unless /CLOSE\n"
         "ended the run.\n";
}

std::string ReportsText() {
  return "Every message box also writes its text on standard error, as one line that\n"
         "starts with \"kinetrope: \"; a flic that cannot be loaded adds a line that says\n"
         "why. The exit status is 0 when the program ends normally, and 1 when an error\n"
         "stopped the run of the tokens, or a flic they named could not be loaded or\n"
         "played (its box was answered and the player closed later), or when there is\n"
         "no display to show the player on.\n";
}

std::string OptionsFileText() {
  return "The options are kept in $XDG_CONFIG_HOME/Kinetrope/Kinetrope.conf\n"
         "(~/.config/Kinetrope/ when XDG_CONFIG_HOME is unset): read at the start,\n"
         "written when the control panel closes or SIGTERM, SIGHUP or SIGINT ends the\n"
         "program, never by a run ended with /CLOSE. A save writes only the options\n"
         "this run changed and keeps every other line of the file.\n";
}

std::string WordHead(const WordInfo& info) {
  std::string head = std::string("/") + info.name;
  if (*info.argument != '\0') head += std::string(" ") + info.argument;
  return head;
}

std::string KeysHelpText() {
  std::string text;
  for (const KeyHelpLine& line : KeyHelpLines()) {
    if (!line.heading.empty()) {
      text += line.heading + "\n";
      continue;
    }
    // The keys in a column of their own, at least two blanks before what they do.
    std::string head = "  " + line.keys;
    head.resize(std::max<size_t>(head.size() + 2, 17), ' ');
    text += head + line.help + "\n";
  }
  return text;
}

std::string UsageText() {
  // Appended piece by piece: temporaries joined with + make GCC 12 warn falsely about overlapping copies.
  std::string text(kVersionText);
  text +=
      ", a player for FLIC animations (.fli, .flc, .cel)\n"
      "\n"
      "usage: kinetrope [WORD [ARGUMENT]... | FILE]...\n"
      "       kinetrope !SCRIPT      the tokens are the script's lines, one a line\n"
      "       kinetrope -h | --help | --version\n"
      "\n";
  text += TokenRuleText();
  text += "\nWords:\n";
  for (const WordInfo& info : Words()) {
    std::string head = "  " + WordHead(info);
    head.resize(std::max<size_t>(head.size() + 1, 22), ' ');
    text += head + info.effect + "\n";
  }
  text += "\nExample: kinetrope /DELAY 50 intro.flc /CLOSE\n\n";
  text += KeysHelpText();
  text += "\n";
  text += OptionsFileText();
  text += "\n";
  text += ReportsText();
  text += "\nThe manual, man kinetrope, says more.\n";
  return text;
}

}  // namespace kt
