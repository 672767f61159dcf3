#pragma once
// What makes up the KORVA sample ink-jet printer driver package: its drivers and the
// files each one is installed with. Windows only.
#include <string>
#include <vector>

#include "sampledriver/installer/spoolsetup.h"

namespace samplepackage {

// The drivers of the package: the same files, one model each.
constexpr const char kDriver100[] = "KORVA Sample Ink 100";
constexpr const char kDriver200[] = "KORVA Sample Ink 200";
const std::vector<std::string>& DriverNames();

// The files, as the spooler records them.
constexpr const char kDriverFile[] = "KVSMPDRV.DLL";
constexpr const char kConfigFile[] = "KVSMPUI.DLL";
constexpr const char kDataFile[] = "KVSMPDRV.DAT";
constexpr const char kSetupDataFile[] = "KVSMPSET.DAT";
constexpr const char kDriverInfoLibrary[] = "K_DRVIF1.DLL";
// Resource-only libraries that the data file names: texts per language, pictures per model.
constexpr const char kResourceLibraryEnglish[] = "KVSRES09.DLL";
constexpr const char kResourceLibraryGerman[] = "KVSRES07.DLL";
constexpr const char kResourceLibraryFrench[] = "KVSRES0C.DLL";
constexpr const char kBitmapLibrary100[] = "KVSBMP01.DLL";
constexpr const char kBitmapLibrary200[] = "KVSBMP02.DLL";
constexpr const char kPrinterDataLibrary[] = "KVSPRN01.DLL";  // "PrnDll" of both models
// The launcher that the setup data names as "K_XRUN", and the status window program it
// starts from its own folder.
constexpr const char kLauncher[] = "K_XRUN01.EXE";
constexpr const char kStatusProgram[] = "KVSSTAT.EXE";
// Maintenance utilities ("UTILITY" of each model) and the ink-service library ("SMRT_VENRIK").
constexpr const char kUtilityLibrary100[] = "KVSUTY01.DLL";
constexpr const char kUtilityLibrary200[] = "KVSUTY02.DLL";
constexpr const char kInkServiceLibrary[] = "KVSINK01.DLL";
// Programs that extension commands start: settings, driver update ("DriverUpdateName"),
// ink ordering ("DepExe").
constexpr const char kSettingsProgram[] = "KVSCFG.EXE";
constexpr const char kDriverUpdateProgram[] = "KVSUPD.EXE";
constexpr const char kInkOrderProgram[] = "KVSORDER.EXE";
// The help page that the menu's shell item 950 opens.
constexpr const char kHelpPage[] = "KVSHELP.HTM";

// Every file of the package, main files first.
const std::vector<std::string>& FileNames();

// The package of one driver, with its files taken from sourceDir.
spoolsetup::DriverPackage Package(const std::string& driverName, const std::string& sourceDir);

// The machine key (below HKEY_LOCAL_MACHINE) whose existence offers ink ordering for the
// driver: the status monitor then shows the driver's ink-ordering menu item.
std::string InkOrderKey(const std::string& driverName);

}  // namespace samplepackage
