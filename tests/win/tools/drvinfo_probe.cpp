// Binds the driver information library once and exits with the result + 10, so that a
// test can run the binding under another reported Windows version.
//   drvinfo_probe.exe KIND NAME
#include <cstdlib>

#include "drvinfo/drvinfolib.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int result = BindDriverInfoLibrary(std::atoi(argv[1]), argv[2]);
  const int bound = g_fDrvInfoBound ? 1 : 0;
  ReleaseDriverInfoLibrary();
  // 9, 10, 11 for -1, 0, 1; a bound flag that disagrees with the result shows as 50+.
  return (bound == (result == 1 ? 1 : 0)) ? result + 10 : 50 + result;
}
