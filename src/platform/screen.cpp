#include "platform/screen.h"

namespace kt {

const char* ScreenFailureText(ScreenStep step) {
  switch (step) {
    case ScreenStep::Open: return "Failed to create IDirectDraw object";
    case ScreenStep::TakeOver: return "Unable to acquire exclusive full-screen access";
    case ScreenStep::ListModes: return "Unable to get modes";
    case ScreenStep::NoModeFits: return "Flic doesn't fit in screen.";
    case ScreenStep::SetMode: return "Unable to set new display mode";
    case ScreenStep::FrontBuffer: return "CreateSurface failed";
    case ScreenStep::BackBuffer: return "Failed to get background surface";
    // The same words for a palette refused when made and when changed: users know them from both.
    case ScreenStep::MakeColours:
    case ScreenStep::SetColours: return "DirectDraw.CreatePalette failed";
    case ScreenStep::AttachColours: return "Unable to assign DirectDraw palette";
  }
  return "";
}

const std::vector<ModeSize>& StandardModes() {
  static const std::vector<ModeSize> modes = {{320, 200}, {320, 240},  {512, 384},  {640, 400},  {640, 480},
                                              {800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}};
  return modes;
}

}  // namespace kt
