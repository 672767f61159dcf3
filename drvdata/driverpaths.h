#pragma once
// How the driver's file names from the spooler become paths (portable).
#include "base/bytestring.h"

// The driver file path up to, not including, its last backslash; the whole path when it
// holds none.
ByteString DriverDirOf(const char* driverFilePath);
// dir and name joined with "%s\%s"; the bare name when dir is empty.
ByteString JoinDriverPath(const ByteString& dir, const char* name);
// The data file path of an installed driver's record: a bare recorded name is put in the
// driver directory when the record has a driver file path; anything else stays as recorded.
ByteString DataFileOfRecord(const char* dataFile, const char* driverFilePath);
// The first comma-separated item of a profile value (the whole value without a comma).
ByteString FirstItemOf(const char* value);
