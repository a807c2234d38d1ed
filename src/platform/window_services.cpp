#include "platform/window_services.h"

#include "platform/message_text.h"

namespace kt {

BoxButton ShowErrorBox(WindowServices& services, const std::string& text, bool withIgnore, const std::string& why) {
  MessageBoxRequest request{"Error", MessageBoxText(text), {BoxButton::Abort}};
  if (!why.empty()) WriteToStandardError(why);
  if (withIgnore) request.buttons.push_back(BoxButton::Ignore);
  return services.ShowMessageBox(request);
}

std::string GeneralErrorText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

void ShowGeneralError(WindowServices& services, const std::string& text) {
  services.ShowMessageBox({kApplicationTitle, MessageBoxText(GeneralErrorText(text)), {BoxButton::Ok}});
}

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == separator) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

}  // namespace

std::vector<DialogFilter> ParseDialogFilter(const std::string& filter) {
  std::vector<DialogFilter> result;
  if (filter.empty()) return result;
  const std::vector<std::string> fields = Split(filter, '|');
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    DialogFilter entry{fields[i], {}};
    for (const std::string& pattern : Split(fields[i + 1], ';')) {
      if (!pattern.empty()) entry.patterns.push_back(pattern);
    }
    result.push_back(std::move(entry));
  }
  return result;
}

namespace {

class SilentProgressBox : public ProgressBox {
 public:
  bool Update(int, int) override { return false; }
};

}  // namespace

std::unique_ptr<ProgressBox> WindowServices::ShowProgressBox(const std::string&, const std::string&) {
  return std::make_unique<SilentProgressBox>();
}

}  // namespace kt
