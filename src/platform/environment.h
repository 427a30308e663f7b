#pragma once
// Changing the process environment, so that a program can set the variables that the provider
// and the soft key read (KQSIM_ROOT, KQCSP_UI_LOG, ...) for itself and the programs it starts.

#include <string>

namespace kq::platform {

void SetEnvironmentValue(const std::string& name, const std::string& value);
void UnsetEnvironmentValue(const std::string& name);

}  // namespace kq::platform
