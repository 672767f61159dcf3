#pragma once
// Per-user target entries: one registry key per monitored printer under
// HKEY_CURRENT_USER, holding its name and the user's settings for it. Printers are
// identified by name in the printer list; a target known only by its port lives in the
// port list. An entry is "<list>\P" + 16-digit number; its full path (relative to
// HKEY_CURRENT_USER, at most 259 characters) is what the find and create operations hand
// back. Nothing here logs: the result codes are the only report.
#include <windows.h>

#include <cstddef>

constexpr const char kTargetListPrinters[] = "Software\\KORVA\\ZELT3\\ZELTData\\KVLTarget";
constexpr const char kTargetListPorts[]    = "Software\\KORVA\\ZELT3\\ZELTData\\KVNTarget";

// The printer-data library's entry point that fills a new entry with the driver's
// defaults: printer, driver, port and model, then three zeros; 0 means success. It is not
// told the entry's path and finds the entry by its "Name".
constexpr const char kPrSetRegDefaultValue[] = "PrSetRegDefaultValue";
using PrSetRegDefaultValueFn = int(WINAPI*)(const char* printerName, const char* driverName, const char* portName,
                                            const char* modelID, DWORD reserved1, DWORD reserved2, DWORD reserved3);

// Finds the target's entry, or registers a new one. The port list is used (*pfPortList)
// when the printer name is empty and the port name is not. 0 when an entry was found or
// created and filled; otherwise the code of RegisterTarget, with the path of an entry
// that was created all the same in out. *pfCreated (optional) is 1 exactly when a new
// entry was registered with result 0.
int GetTargetKey(const char* printerName, const char* portName, const char* modelID, BOOL* pfPortList, char* out,
                 std::size_t size, BOOL* pfCreated = nullptr);

// The entry whose "Name" equals name (ignoring case). 0 found, path in out; 1 not found
// or the path does not fit out; 4 the list key cannot be opened.
int FindTargetKey(const char* name, BOOL fPortList, char* out, std::size_t size);

// Purges stale entries, creates an entry for the target and lets the driver's
// printer-data library fill in its defaults. The library's result (0 = success); 1 the
// entry could not be created; 4 the library could not be loaded; 5 it lacks
// PrSetRegDefaultValue. From 4 on, the created entry's path is in out.
int RegisterTarget(const char* printerName, const char* portName, const char* modelID, BOOL fPortList, char* out,
                   std::size_t size);

// Creates an entry with the first free number: "Name", "Setting" 0 and "Timer" 10.
// 0 created and verified; 1 verification failed or no number left; 2 "Name" not written;
// 3 an entry key could not be created; 4 the list key could not be created; 5 the path
// does not fit out; 6 the path could not be formatted. A created key stays on failure.
int CreateTargetKey(const char* name, BOOL fPortList, char* out, std::size_t size);

// Removes the entries whose printer is gone: in the printer list, entries without a
// "Name", or whose printer the spooler says does not exist, or whose printer has no
// driver or print processor; in the port list, entries without a "Name". A printer that
// cannot be opened for any other reason (a spooler that is restarting, say) keeps its
// entry. 0; -1 when a list key cannot be opened (no port list visit without the printer
// list).
int PurgeTargetKeys();

// Marks the entry as retired ("Setting" 255) and deletes it. 0 when it is gone; -1 when
// it cannot be opened or could not be deleted.
int RetireTargetKey(const char* entryPath);

// Deletes a key under HKEY_CURRENT_USER with all its sub keys and values. 0 when it is
// gone; -1 when it or a sub key cannot be opened or deleted, or a sub key's path does not
// fit 260 bytes (what could be deleted is). A null or empty path is refused (-1): it
// would name HKEY_CURRENT_USER itself.
int DeleteKeyTree(const char* path);
