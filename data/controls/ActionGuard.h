#pragma once

#include "platform/Messages.h"

#include <functional>

namespace kestar {

// Runs one user action. An engine or system error raised inside is shown in an error box and
// ends the action there; no exception ever reaches the Qt event loop.
// Returns true when the action ran to its end.
bool guarded(Messages& messages, const std::function<void()>& action);

} // namespace kestar
