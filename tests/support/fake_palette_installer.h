// A display for the palette steps: it keeps what each context holds, which
// palettes are alive, the frame bitmap's colour table and the full-screen
// entries, counts what was asked and records every call as text. Deleting a
// palette twice, one never made or one still selected is a failure.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "colour/palette_installer.h"

namespace kt::test {

class FakePaletteInstaller : public PaletteInstaller {
 public:
  static constexpr const char* kContextNames[] = {"MemoryDC", "ControlWindow", "MovieWindow", "DisplayImage"};

  std::vector<std::string> calls;
  PaletteHandle next = 100;  // the next palette made; below it, each context's own from the start
  std::array<PaletteHandle, kPaletteContextCount> held{1, 2, 3, 4};
  std::set<PaletteHandle> alive;
  ColourTable dibTable{};
  PaletteEntries fullScreen{};
  int created = 0, deleted = 0, entriesSet = 0;
  std::vector<SystemPaletteUse> uses;
  bool failCreate = false;
  bool failSetEntries = false;
  bool fullScreenPalette = true;

  PaletteHandle CreatePalette(const LogicalPalette&) override {
    if (failCreate) {
      calls.push_back("Create failed");
      return kNoPalette;
    }
    ++created;
    alive.insert(next);
    calls.push_back("Create " + std::to_string(next));
    return next++;
  }
  PaletteHandle SelectPalette(PaletteContext context, PaletteHandle palette) override {
    calls.push_back(std::string("Select ") + kContextNames[int(context)] + " " + std::to_string(palette));
    return std::exchange(held[size_t(context)], palette);
  }
  void RealizePalette(PaletteContext context) override {
    calls.push_back(std::string("Realize ") + kContextNames[int(context)]);
  }
  void SetDIBColorTable(const ColourTable& table) override {
    calls.push_back("SetDIBColorTable");
    dibTable = table;
  }
  void DeleteObject(PaletteHandle palette) override {
    ++deleted;
    calls.push_back("Delete " + std::to_string(palette));
    EXPECT_EQ(alive.erase(palette), 1u) << "deleted twice or never made";
    for (PaletteHandle h : held) EXPECT_NE(h, palette) << "deleted while selected";
  }
  bool SetEntries(const PaletteEntries& entries) override {
    ++entriesSet;
    calls.push_back("SetEntries");
    if (!failSetEntries) fullScreen = entries;
    return !failSetEntries;
  }
  bool FullScreenPaletteExists() const override { return fullScreenPalette; }
  void SetSystemPaletteUse(SystemPaletteUse use) override {
    uses.push_back(use);
    calls.push_back("SystemPaletteUse " + std::to_string(int(use)));
  }

  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

}  // namespace kt::test
