// Runs one target registry operation in a process of its own, so that a test can give it
// a time limit: a walk that never ends shows as a timeout instead of a hung test.
//   targetreg_probe deltree <path>   DeleteKeyTree
//   targetreg_probe purge            PurgeTargetKeys
// The exit code is 100 + the operation's result (99 for -1); 1 for a bad command line.
#include <cstring>

#include "settings/targetreg.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "deltree") == 0) return 100 + DeleteKeyTree(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "purge") == 0) return 100 + PurgeTargetKeys();
  return 1;
}
