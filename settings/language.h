#pragma once
// Choice of the resource library by language: the data file's "Language" section names
// one section per language, and that section's "ResDll" the library. Windows only (the
// profile functions); the section's split and match are in settings/langsection.h.
//
// Results: 0 or a positive count on success; kLangFailed; kLangNoMemory when a buffer
// could not be allocated; kLangTooSmall when out is too small, with the size needed
// (terminator included) stored in *size. Buffer sizes are in bytes.
#include <cstddef>
#include <cstdint>

constexpr int kLangFailed = -1;
constexpr int kLangNoMemory = -3;
constexpr int kLangTooSmall = -4;

constexpr std::uint16_t kLangEnglishUS = 0x0409;

// Reads the whole "Language" section into buffer and stores its number of lines in
// *count (which must be non-zero on entry). Gives the number of characters read,
// kLangFailed for a missing or empty section, kLangTooSmall when it did not fit.
int ReadLanguageSection(char* buffer, std::size_t size, std::size_t* count, const char* datPath);

// The section chosen from "Language" for languageId; "" when there is none.
int GetLanguageSection(char* out, std::size_t* size, const char* datPath, std::uint16_t languageId);

// The first section of "Language" whose library exists (see ResLibExists); "" when
// none does. On success *size is set to the length used, terminator included.
int GetFirstAvailableLanguageSection(char* out, std::size_t* size, const char* datPath);

// 1 when the library file lies in the data file's folder, else 0.
int ResLibExists(const char* fileName, const char* datPath);

// The section for the user's default language when its library exists, else the one for
// English (United States), else the first whose library exists. Gives the length of the
// chosen section's "ResDll" in the first two cases, 0 in the last.
int SelectLanguageSection(char* out, std::size_t* size, const char* datPath);
// The same for a given user language.
int SelectLanguageSectionFor(char* out, std::size_t* size, const char* datPath, std::uint16_t userLanguageId);

// A key of the selected language section, read into out (*size bytes; not written).
// 0 when read; kLangFailed when no section is selected, the key is missing or empty, or
// its value does not fit.
int GetLanguageProfileString(const char* keyName, char* out, std::size_t* size, const char* datPath);

// The resource library of the user's language: its "ResDll" file name in the install
// folder (".\" without one). 1 on success, 0 on failure.
int GetResDllPath(char* out, std::size_t size, const char* driverName, const char* modelID, const char* printerName);
