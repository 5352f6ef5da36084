#pragma once
// The steps of the library's start-up and shut-down that belong to this
// floor; the library's module runs them around the registration of the
// window classes, which lie above.
#include <string>

namespace kelt::lib {

// Adds a step to the log StartupSteps reads.
void Step(const std::string& name);
void SetAttached(bool attached);

// From the framework module to the default preferences.
void AttachUpToWindowClasses();
// The user's number format.
void AttachAfterWindowClasses();
// The last files written, the locale texts freed, the framework module ended.
void DetachAfterWindowClasses();

}  // namespace kelt::lib
