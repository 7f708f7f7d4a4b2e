#include "app/StartupLog.h"

namespace korvel {

namespace {
std::vector<std::string>& Steps()
{
    static std::vector<std::string> steps;
    return steps;
}
}  // namespace

void LogStep(const std::string& step) { Steps().push_back(step); }
const std::vector<std::string>& GetStepLog() { return Steps(); }
void ClearStepLog() { Steps().clear(); }

}  // namespace korvel
