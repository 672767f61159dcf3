#include "sampledriver/installer/samplepackage.h"

namespace samplepackage {

const std::vector<std::string>& DriverNames() {
  static const std::vector<std::string> names = {kDriver100, kDriver200};
  return names;
}

const std::vector<std::string>& FileNames() {
  static const std::vector<std::string> files = {kDriverFile, kConfigFile, kDataFile, kSetupDataFile};
  return files;
}

spoolsetup::DriverPackage Package(const std::string& driverName, const std::string& sourceDir) {
  spoolsetup::DriverPackage p;
  p.name = driverName;
  p.sourceDir = sourceDir;
  p.driverFile = kDriverFile;
  p.dataFile = kDataFile;
  p.configFile = kConfigFile;
  // The setup data file lies beside the data file, which names it without a folder.
  p.dependentFiles = {kSetupDataFile};
  return p;
}

}  // namespace samplepackage
