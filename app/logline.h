#pragma once
// Formatting of diagnostic log lines, kept apart from the file writing so that the exact
// bytes can be checked anywhere.
//
// A line is "%04X;" (process id), "%5u:%02u.%03u; " (tick count as minutes, seconds,
// milliseconds) and a body: "%s\n", "%s : %s\n" or "%s : %d\n". The log file is a text
// file, so the bytes on disk carry CR LF for every LF (ToTextModeBytes).
#include <cstdint>

#include "base/bytestring.h"

ByteString FormatLogPrefix(std::uint32_t processId, std::uint32_t tickCount);
ByteString FormatLogText(std::uint32_t processId, std::uint32_t tickCount, const char* text);
ByteString FormatLogStr(std::uint32_t processId, std::uint32_t tickCount, const char* label, const char* text);
ByteString FormatLogInt(std::uint32_t processId, std::uint32_t tickCount, const char* label, std::int32_t value);

// What a text-mode write stores: every "\n" becomes "\r\n" (a "\r" already before it
// is kept, as the C runtime does).
ByteString ToTextModeBytes(const ByteString& text);
