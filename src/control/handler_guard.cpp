#include "control/handler_guard.h"

#include <exception>
#include <new>

#include "base/errors.h"

namespace kt {

namespace {

void ShowQuietly(WindowServices& services, const std::string& text) noexcept {
  try {
    ShowGeneralError(services, text);
  } catch (...) {
    // Nothing is left to report an error of the error box with.
  }
}

}  // namespace

bool RunGuarded(WindowServices& services, const std::function<void()>& command) noexcept {
  try {
    command();
    return true;
  } catch (const std::bad_alloc&) {
    ShowQuietly(services, OutOfMemoryError().what());
  } catch (const std::exception& error) {
    ShowQuietly(services, error.what());
  } catch (...) {
    ShowQuietly(services, kUnexpectedErrorText);
  }
  return false;
}

}  // namespace kt
