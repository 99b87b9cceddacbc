// A stand-in child for the process tests: records its command line and
// working directory in the file named by its first argument, waits the
// milliseconds of its third, and exits with the code of its second.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  if (argc > 3) Sleep(static_cast<DWORD>(std::atoi(argv[3])));
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof directory, directory);
  if (FILE* f = std::fopen(argv[1], "wb")) {
    std::fprintf(f, "%s\n%s\n", GetCommandLineA(), directory);
    std::fclose(f);
  }
  return std::atoi(argv[2]);
}
