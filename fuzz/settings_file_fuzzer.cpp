// The options file as the store reads it: any bytes, since the file is the
// user's to edit. The parser must take them without fault, and what it
// makes of them must survive being written out and read back, byte for
// byte, as a save followed by a load would do. Values written into the
// file as it stands, as a save merges them, must read back as written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/ascii.h"
#include "platform/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kt::SettingsValues values = kt::ParseSettingsFile(text);
  const kt::SettingsValues again = kt::ParseSettingsFile(kt::FormatSettingsFile(values));
  if (again != values) std::abort();

  kt::SettingsValues changed = values;
  for (auto& value : changed) value.second += "\n!";
  const bool known = std::any_of(values.begin(), values.end(),
                                 [](const auto& value) { return kt::EqualsIgnoringAsciiCase(value.first, "Added"); });
  if (!known) changed.emplace_back("Added", " x ");
  if (kt::ParseSettingsFile(kt::MergeSettingsFile(text, changed)) != changed) std::abort();
  return 0;
}
