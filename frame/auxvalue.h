#pragma once
// The texts of extension command values that the agent takes apart or fills in before it
// starts anything: the shell command's target and parameters, and the driver-update
// command, a format that receives the driver-update program's folder. Portable.
#include <cstddef>

#include "base/bytestring.h"

// A shell command value: the target is the text before the first '|' and the parameters
// the text after it; without a '|', the parameters begin at the first '/' (which they
// keep); without either the whole value is the target. Both are trimmed of white space.
void SplitShellCommand(const char* value, ByteString* target, ByteString* parameters);

// True when a driver-update value can be used as a format for the one folder argument:
// exactly one "%s", and "%%" besides. Any other conversion (a number, a
// width, a second "%s", a '%' at the end) would read what was never passed.
bool IsDriverUpdateFormat(const char* value);

// The driver-update command line: value with its "%s" replaced by folder and each "%%" by
// '%', into out. False, with out emptied, when the value is not such a format or the
// result does not fit.
bool FormatDriverUpdateCommand(char* out, std::size_t size, const char* value, const char* folder);
