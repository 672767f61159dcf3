#include "sampledriver/launcher/launchcommon.h"

#include <windows.h>

#include "sampledriver/common/samplefiles.h"

std::string OwnFolder() { return ModuleFolder(nullptr); }

std::string LengthSwitch(const char* name, const std::string& value) {
  return std::string("/") + name + std::to_string(value.size()) + " \"" + value + "\"";
}
