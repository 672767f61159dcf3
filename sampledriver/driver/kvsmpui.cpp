// Configuration file of the KORVA sample ink-jet printer driver. The spooler and GDI load
// it for a printer's defaults and capabilities (when a printer is added, when a program
// asks for its DEVMODE); it has no property sheets of its own. Printing itself is not
// part of this sample.
#include <windows.h>

#include <cstddef>
#include <cstring>

namespace {

// The header that the spooler passes to DrvDocumentPropertySheets without a property
// sheet (the layout of the driver kit's DOCUMENTPROPERTYHEADER, Unicode).
struct DocumentPropertyHeader {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  DEVMODEW* pdmIn;
  DEVMODEW* pdmOut;
  DWORD cbOut;
  DWORD fMode;
};

constexpr DWORD kFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLOR | DM_PRINTQUALITY;

struct Paper {
  WORD id;
  const wchar_t* name;
  POINT size;  // tenths of a millimetre
};
const Paper kPapers[] = {
    {DMPAPER_A4, L"A4", {2100, 2970}},
    {DMPAPER_LETTER, L"Letter", {2159, 2794}},
};

bool KnownPaper(short id) {
  for (const Paper& p : kPapers) {
    if (p.id == static_cast<WORD>(id)) return true;
  }
  return false;
}

void DefaultDevMode(const wchar_t* printerName, DEVMODEW* dm) {
  std::memset(dm, 0, sizeof *dm);
  if (printerName != nullptr) {
    // The device name field holds 31 characters; longer names are cut, as everywhere.
    const std::size_t n = wcsnlen(printerName, CCHDEVICENAME - 1);
    std::memcpy(dm->dmDeviceName, printerName, n * sizeof(wchar_t));
  }
  dm->dmSpecVersion = DM_SPECVERSION;
  dm->dmDriverVersion = 0x0100;
  dm->dmSize = sizeof *dm;
  dm->dmFields = kFields;
  dm->dmOrientation = DMORIENT_PORTRAIT;
  dm->dmPaperSize = DMPAPER_A4;
  dm->dmCopies = 1;
  dm->dmColor = DMCOLOR_COLOR;
  dm->dmPrintQuality = DMRES_HIGH;
}

// Takes over the settings of in that this driver knows and that hold allowed values.
void MergeDevMode(const DEVMODEW* in, DEVMODEW* dm) {
  if (in == nullptr || in->dmSize < offsetof(DEVMODEW, dmPrintQuality) + sizeof in->dmPrintQuality) return;
  if ((in->dmFields & DM_ORIENTATION) &&
      (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE)) {
    dm->dmOrientation = in->dmOrientation;
  }
  if ((in->dmFields & DM_PAPERSIZE) && KnownPaper(in->dmPaperSize)) dm->dmPaperSize = in->dmPaperSize;
  if ((in->dmFields & DM_COPIES) && in->dmCopies >= 1 && in->dmCopies <= 99) dm->dmCopies = in->dmCopies;
  if ((in->dmFields & DM_COLOR) && (in->dmColor == DMCOLOR_COLOR || in->dmColor == DMCOLOR_MONOCHROME)) {
    dm->dmColor = in->dmColor;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);
BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM);
BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM);
LONG WINAPI DrvDocumentPropertySheets(void* propSheetInfo, LPARAM lParam);
DWORD WINAPI DrvDeviceCapabilities(HANDLE, LPWSTR, WORD, void*, DEVMODEW*);

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// Installing the driver and adding a printer need no work of the driver's own.
BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }
BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }

// Without a property sheet: the DEVMODE's size, or the defaults merged with pdmIn.
LONG WINAPI DrvDocumentPropertySheets(void* propSheetInfo, LPARAM lParam) {
  if (propSheetInfo != nullptr) {
    ::SetLastError(ERROR_NOT_SUPPORTED);  // no property sheets
    return -1;
  }
  DocumentPropertyHeader* dph = reinterpret_cast<DocumentPropertyHeader*>(lParam);
  if (dph == nullptr || dph->cbSize < sizeof *dph) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const DWORD size = sizeof(DEVMODEW);
  if (dph->fMode == 0 || dph->pdmOut == nullptr) {
    dph->cbOut = size;
    return static_cast<LONG>(size);
  }
  if (dph->cbOut < size) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  DEVMODEW dm;
  DefaultDevMode(dph->pszPrinterName, &dm);
  if (dph->fMode & DM_IN_BUFFER) MergeDevMode(dph->pdmIn, &dm);
  std::memcpy(dph->pdmOut, &dm, size);
  return IDOK;
}

DWORD WINAPI DrvDeviceCapabilities(HANDLE, LPWSTR, WORD capability, void* output, DEVMODEW*) {
  constexpr DWORD kPaperCount = sizeof kPapers / sizeof kPapers[0];
  switch (capability) {
    case DC_FIELDS:
      return kFields;
    case DC_SIZE:
      return sizeof(DEVMODEW);
    case DC_EXTRA:
      return 0;
    case DC_VERSION:
      return DM_SPECVERSION;
    case DC_DRIVER:
      return 0x0100;
    case DC_COPIES:
      return 99;
    case DC_COLORDEVICE:
      return 1;
    case DC_ORIENTATION:
      return 90;
    case DC_DUPLEX:
      return 0;
    case DC_PAPERS:
      if (output != nullptr) {
        WORD* ids = static_cast<WORD*>(output);
        for (DWORD i = 0; i < kPaperCount; ++i) ids[i] = kPapers[i].id;
      }
      return kPaperCount;
    case DC_PAPERSIZE:
      if (output != nullptr) {
        POINT* sizes = static_cast<POINT*>(output);
        for (DWORD i = 0; i < kPaperCount; ++i) sizes[i] = kPapers[i].size;
      }
      return kPaperCount;
    case DC_PAPERNAMES:
      if (output != nullptr) {
        // 64 characters per name, as the caller provides.
        wchar_t* names = static_cast<wchar_t*>(output);
        for (DWORD i = 0; i < kPaperCount; ++i) {
          std::memset(names + i * 64, 0, 64 * sizeof(wchar_t));
          std::memcpy(names + i * 64, kPapers[i].name, wcslen(kPapers[i].name) * sizeof(wchar_t));
        }
      }
      return kPaperCount;
    default:
      return GDI_ERROR;
  }
}

}  // extern "C"
