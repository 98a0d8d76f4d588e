// A comctl32.dll planted beside a host program, as an attacker would put one
// beside a downloaded installer: when anything loads it, it leaves
// "comctl32-was-loaded" in its own folder. It needs none of the real one's
// exports: the marker is made before anyone could look for them.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 32];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  lstrcpyW(path + length, L"comctl32-was-loaded");
  CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  return TRUE;
}
