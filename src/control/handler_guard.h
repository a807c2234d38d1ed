// Every way in from the event loop (a slot, an event handler) runs through
// here: an error ends the command it arose in and is shown in the general
// error box, and never travels on into the event loop.
#pragma once

#include <functional>

#include "platform/window_services.h"

namespace kt {

inline constexpr const char* kUnexpectedErrorText = "Unexpected error";

// Runs the command; returns false when it ended with an error, after showing it.
bool RunGuarded(WindowServices& services, const std::function<void()>& command) noexcept;

}  // namespace kt
