#include "data/controls/ActionGuard.h"

#include "data/EngineError.h"

#include <exception>

namespace kestar {

bool guarded(Messages& messages, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const EngineError& error) {
        messages.showError(error.text());
    } catch (const std::exception& error) {
        messages.showError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

} // namespace kestar
