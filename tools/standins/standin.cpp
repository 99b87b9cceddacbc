// Stand-in for the platform's disk checker and defragmenter, for users and
// tests without them: appends its command line to the file named by
// VEMTAR_STANDIN_LOG (or to <its own path>.LOG), then exits with 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  char log[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("VEMTAR_STANDIN_LOG", log, sizeof log)) {
    DWORD n = GetModuleFileNameA(nullptr, log, sizeof log - 4);
    std::strcpy(log + n, ".LOG");
  }
  if (FILE* f = std::fopen(log, "ab")) {
    std::fprintf(f, "%s\n", GetCommandLineA());
    std::fclose(f);
  }
  return 0;
}
