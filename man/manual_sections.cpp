// Builds kinetrope(1)'s scdoc source from its template and the program's own
// help pieces, so that --help and the manual cannot tell different stories:
//   manual_sections TEMPLATE OUTPUT
// A template line that is exactly @TOKEN_RULE@, @WORDS@, @KEYS@, @REPORTS@
// or @OPTIONS_FILE@ is replaced by that piece in scdoc form.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "control/help_text.h"
#include "control/key_table.h"
#include "words/command_line.h"

namespace {

// scdoc reads * and _ as emphasis and \ as an escape.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '*' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Paragraph(const std::string& text) {
  std::string out;
  for (const std::string& line : Lines(text)) out += Escape(line) + "\n";
  return out;
}

std::string WordsSection() {
  std::string out;
  for (const kt::WordInfo& info : kt::Words()) {
    // Appended piece by piece: temporaries joined with + make GCC 12 warn falsely.
    out += "*";
    out += Escape(kt::WordHead(info));
    out += "*\n\t";
    out += Escape(info.effect);
    out += "\n\n";
  }
  return out;
}

// The key table's help: each heading a paragraph, each line its keys in bold
// over what they do.
std::string KeysSection() {
  std::string out;
  for (const kt::KeyHelpLine& line : kt::KeyHelpLines()) {
    if (!line.heading.empty()) {
      out += Escape(line.heading) + "\n\n";
      continue;
    }
    out += "*";
    out += Escape(line.keys);
    out += "*\n\t";
    out += Escape(line.help);
    out += "\n\n";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: manual_sections TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "manual_sections: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (line == "@TOKEN_RULE@") {
      out += Paragraph(kt::TokenRuleText());
    } else if (line == "@WORDS@") {
      out += WordsSection();
    } else if (line == "@KEYS@") {
      out += KeysSection();
    } else if (line == "@REPORTS@") {
      out += Paragraph(kt::ReportsText());
    } else if (line == "@OPTIONS_FILE@") {
      out += Paragraph(kt::OptionsFileText());
    } else {
      out += line + "\n";
    }
  }
  std::ofstream file(argv[2], std::ios::binary);
  file << out;
  if (!file.flush()) {
    std::cerr << "manual_sections: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
