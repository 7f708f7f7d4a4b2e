// A record of the steps of start-up and shutdown, in the order they ran.
// Always kept (a few dozen short entries per run); tests read it to check the
// order, and it names the step at which a failed start stopped.
#pragma once

#include <string>
#include <vector>

namespace korvel {

void LogStep(const std::string& step);
const std::vector<std::string>& GetStepLog();
void ClearStepLog();

}  // namespace korvel
