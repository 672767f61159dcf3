#include "sampledriver/installer/samplepackage.h"

namespace samplepackage {

const std::vector<std::string>& DriverNames() {
  static const std::vector<std::string> names = {kDriver100, kDriver200};
  return names;
}

const std::vector<std::string>& FileNames() {
  static const std::vector<std::string> files = {kDriverFile, kConfigFile, kDataFile, kSetupDataFile,
                                                 kDriverInfoLibrary, kPrinterDataLibrary};
  return files;
}

spoolsetup::DriverPackage Package(const std::string& driverName, const std::string& sourceDir) {
  spoolsetup::DriverPackage p;
  p.name = driverName;
  p.sourceDir = sourceDir;
  p.driverFile = kDriverFile;
  p.dataFile = kDataFile;
  p.configFile = kConfigFile;
  // The data file names these without a folder: they lie beside it.
  p.dependentFiles = {kSetupDataFile, kDriverInfoLibrary, kPrinterDataLibrary};
  return p;
}

}  // namespace samplepackage
