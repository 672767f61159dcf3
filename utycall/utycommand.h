#pragma once
// The text of a utility command: what an extension command value says about the utility
// to run ("<library path> /U<number>"), the name of the per-printer semaphore, and the
// table of entry points the numbers stand for. Portable.
#include <cstddef>
#include <cstdint>

// Where the library path of a utility command value ends: the offset of the first " /U".
// False when the value has none (it names no utility).
bool FindUtyLibraryEnd(const char* value, std::size_t* libraryLength);

// The utility number of a value whose library path ends at libraryLength: the signed
// decimal number right after "/U" (leading white space and one sign allowed, reading stops
// at the first other character, no digits give 0). A number beyond the 32-bit range is
// held at its end: no entry has such a number either way.
std::int32_t ParseUtyNumber(const char* value, std::size_t libraryLength);

// The semaphore's name for a printer: the name with every backslash replaced by a slash
// (a backslash would name a kernel namespace, "\\server\share" becomes "//server/share").
// False, with out emptied, when it does not fit.
bool MakeUtySemaphoreName(const char* printerName, char* out, std::size_t size);

// The entry point a utility number names, or null for a number not in the table.
const char* UtyEntryName(std::int32_t number);
// True for the numbers whose entry point is called (1, 2, 3 and 11): the others are known
// by name only, and their calling forms are not ours to guess.
bool IsUtyEntryCalled(std::int32_t number);
