// Stands in for the host application in the installer tests: records the
// arguments and show state it was started with in started.txt beside itself
// (found with the W calls: the host's folder may be named outside the ANSI
// code page).
#include <stdio.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
  wchar_t path[32768];
  DWORD length = GetModuleFileNameW(NULL, path, 32000);
  while (length > 0 && path[length - 1] != L'\\') --length;
  if (length == 0) return 1;
  lstrcpyW(path + length, L"started.txt");
  FILE* file = _wfopen(path, L"wb");
  if (file == NULL) return 1;
  fprintf(file, "%s\n%d\n", arguments, show);
  return fclose(file) == 0 ? 0 : 1;
}
