// Writes numbered log lines through the program's log, for the concurrent-append test.
//   log_writer.exe LOG_PATH WRITER_ID LINE_COUNT
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dbglog.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  if (!DbgLogInit(argv[1], "K_TDBG")) return 3;
  const int count = std::atoi(argv[3]);
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    const std::string label = std::string("writer ") + argv[2];
    if (DbgLogInt(label.c_str(), i) != 1) ++failed;
  }
  DbgLogClose();
  return failed == 0 ? 0 : 1;
}
