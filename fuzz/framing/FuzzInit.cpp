#include <cstdlib>

// Sends the module's log (CRC mismatches are logged) into the build folder
// unless the caller chose a folder.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QUILLET_LOG_DIR", FUZZ_LOG_DIR, 0);
  return 0;
}
