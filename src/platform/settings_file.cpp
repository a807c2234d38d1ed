#include "platform/settings_file.h"

#include <algorithm>
#include <optional>

#include "base/ascii.h"

namespace kt {

namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kBlanks = " \t";

// Names also escape what would end the name or turn the line into a
// comment or a section; a blank at either end is escaped so that an editor
// trimming lines cannot change a value.
std::string Escape(std::string_view bytes, bool isName) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    bool escaped = c < 0x20 || c > 0x7E || c == '\\';
    escaped = escaped || (isName && (c == '=' || c == '#' || c == ';' || c == '['));
    escaped = escaped || (c == ' ' && (i == 0 || i + 1 == bytes.size()));
    if (escaped) {
      text += "\\x";
      text += kHexDigits[c >> 4];
      text += kHexDigits[c & 0x0F];
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return std::nullopt;
    const int high = AsciiHexValue(text[i + 2]);
    const int low = AsciiHexValue(text[i + 3]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return bytes;
}

struct Line {
  std::string_view content;  // without its line end
  std::string_view end;      // "\n" or "\r\n"; on an unterminated last line "\r" or nothing
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    Line line{text.substr(0, newline), {}};
    const size_t contentEnd = line.content.size();
    if (!line.content.empty() && line.content.back() == '\r') line.content.remove_suffix(1);
    line.end = text.substr(line.content.size(), contentEnd - line.content.size() + (newline == text.npos ? 0 : 1));
    lines.push_back(line);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
  }
  return lines;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t start = text.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(kBlanks) - start + 1);
}

// A section line: its name, or nothing when the line is something else.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return TrimBlanks(line.substr(0, line.find(']')));
}

bool IsOurSection(std::string_view name) { return EqualsIgnoringAsciiCase(name, kSettingsSectionName); }

struct ValueLine {
  std::string name;
  std::string data;
  size_t dataStart = 0;  // where the value's text begins in the line
};

// Blanks before a name, and on either side of the "=", are layout, as every
// INI reader takes them; a value's own edge blanks are written escaped, so
// only a hand-made line has blanks here.
std::optional<ValueLine> ParseValueLine(std::string_view line) {
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == ';' || trimmed.front() == '[') {
    return std::nullopt;
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const size_t dataStart = std::min(line.size(), line.find_first_not_of(kBlanks, equals + 1));
  std::optional<std::string> name = Unescape(TrimBlanks(line.substr(0, equals)));
  std::optional<std::string> data = Unescape(line.substr(dataStart));
  if (!name || !data) return std::nullopt;
  return ValueLine{std::move(*name), std::move(*data), dataStart};
}

// Visits every value line of the program's section with its index.
template <typename Visit>
void ForEachOwnedValue(const std::vector<Line>& lines, Visit&& visit) {
  bool ours = true;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (const std::optional<std::string_view> section = SectionName(lines[i].content)) {
      ours = IsOurSection(*section);
      continue;
    }
    if (!ours) continue;
    if (std::optional<ValueLine> value = ParseValueLine(lines[i].content)) visit(i, std::move(*value));
  }
}

std::string ValueLineText(std::string_view name, std::string_view data) {
  return Escape(name, true) + '=' + Escape(data, false);
}

}  // namespace

std::string FormatSettingsFile(const SettingsValues& values) {
  std::string text =
      "# Kinetrope's stored options. Bytes outside printable ASCII, and the\n"
      "# backslash, are written \\xHH.\n"
      "[Kinetrope]\n";
  for (const auto& [name, data] : values) text += ValueLineText(name, data) + '\n';
  return text;
}

SettingsValues ParseSettingsFile(std::string_view text) {
  SettingsValues values;
  ForEachOwnedValue(SplitLines(text), [&values](size_t, ValueLine value) {
    auto found = std::find_if(values.begin(), values.end(),
                              [&value](const auto& known) { return EqualsIgnoringAsciiCase(known.first, value.name); });
    if (found != values.end()) {
      found->second = std::move(value.data);
    } else {
      values.emplace_back(std::move(value.name), std::move(value.data));
    }
  });
  return values;
}

std::string MergeSettingsFile(std::string_view text, const SettingsValues& values) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return FormatSettingsFile(values);
  const std::vector<Line> lines = SplitLines(text);
  std::vector<std::string> out;
  out.reserve(lines.size() + values.size() + 1);
  for (const Line& line : lines) out.emplace_back(std::string(line.content) + std::string(line.end));

  struct Known {
    std::string name;
    size_t line;
    size_t dataStart;
  };
  std::vector<Known> known;  // the last line of each name
  std::optional<size_t> lastValue;
  ForEachOwnedValue(lines, [&](size_t i, ValueLine value) {
    lastValue = i;
    auto found = std::find_if(known.begin(), known.end(),
                              [&value](const Known& k) { return EqualsIgnoringAsciiCase(k.name, value.name); });
    if (found != known.end()) {
      *found = {std::move(value.name), i, value.dataStart};
    } else {
      known.push_back({std::move(value.name), i, value.dataStart});
    }
  });
  std::optional<size_t> ourSection;
  for (size_t i = 0; i < lines.size() && !ourSection; ++i) {
    const std::optional<std::string_view> section = SectionName(lines[i].content);
    if (section && IsOurSection(*section)) ourSection = i;
  }

  // A file written on Windows keeps its line ends on the lines added to it.
  const std::string newline = lines.front().end == "\r\n" ? "\r\n" : "\n";
  std::string added;
  for (const auto& [name, data] : values) {
    // clang 14 (the fuzzers' compiler) cannot capture a structured binding.
    const std::string_view wanted = name;
    auto found = std::find_if(known.begin(), known.end(),
                              [wanted](const Known& k) { return EqualsIgnoringAsciiCase(k.name, wanted); });
    if (found != known.end()) {
      const Line& line = lines[found->line];
      // A rewritten last line gets its line end, so that a line added after it starts a line of its own.
      const bool ended = line.end.find('\n') != std::string_view::npos;
      out[found->line] = std::string(line.content.substr(0, found->dataStart)) + Escape(data, false) +
                         (ended ? std::string(line.end) : newline);
    } else {
      added += ValueLineText(name, data) + newline;
    }
  }
  if (!added.empty()) {
    const std::optional<size_t> anchor = lastValue ? lastValue : ourSection;
    if (!anchor) added = "[" + std::string(kSettingsSectionName) + "]" + newline + added;
    const size_t after = anchor ? *anchor : out.size() - 1;
    if (out[after].back() != '\n') out[after] = std::string(lines[after].content) + newline;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(after) + 1, added);
  }
  std::string merged;
  for (const std::string& line : out) merged += line;
  return merged;
}

}  // namespace kt
