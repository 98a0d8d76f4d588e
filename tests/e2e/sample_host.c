// Stands in for the host application in the installer tests: records the
// arguments and show state it was started with in started.txt beside itself.
#include <stdio.h>
#include <string.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
  char path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  char* name = strrchr(path, '\\');
  if (length == 0 || name == NULL) return 1;
  strcpy(name + 1, "started.txt");
  FILE* file = fopen(path, "wb");
  if (file == NULL) return 1;
  fprintf(file, "%s\n%d\n", arguments, show);
  return fclose(file) == 0 ? 0 : 1;
}
