#include "sampledriver/installer/samplepackage.h"

namespace samplepackage {
namespace {

// The driver record names these as dependent files, so that the spooler copies them
// beside the data file: the data files name them without a folder.
const std::vector<std::string>& DependentFiles() {
  static const std::vector<std::string> files = {kSetupDataFile,          kDriverInfoLibrary,
                                                 kPrinterDataLibrary,     kResourceLibraryEnglish, kResourceLibraryGerman,
                                                 kResourceLibraryFrench,  kBitmapLibrary100,
                                                 kBitmapLibrary200,       kLauncher,
                                                 kStatusProgram,          kUtilityLibrary100,
                                                 kUtilityLibrary200,      kInkServiceLibrary,
                                                 kSettingsProgram,        kDriverUpdateProgram,
                                                 kInkOrderProgram,        kHelpPage};
  return files;
}

}  // namespace

const std::vector<std::string>& DriverNames() {
  static const std::vector<std::string> names = {kDriver100, kDriver200};
  return names;
}

const std::vector<std::string>& FileNames() {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> all = {kDriverFile, kConfigFile, kDataFile};
    all.insert(all.end(), DependentFiles().begin(), DependentFiles().end());
    return all;
  }();
  return files;
}

spoolsetup::DriverPackage Package(const std::string& driverName, const std::string& sourceDir) {
  spoolsetup::DriverPackage p;
  p.name = driverName;
  p.sourceDir = sourceDir;
  p.driverFile = kDriverFile;
  p.dataFile = kDataFile;
  p.configFile = kConfigFile;
  p.dependentFiles = DependentFiles();
  return p;
}

std::string InkOrderKey(const std::string& driverName) { return "Software\\KORVA\\" + driverName + " IO_URL"; }

}  // namespace samplepackage
