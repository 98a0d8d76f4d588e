// A host that loads Install.dll from its own folder, as an old setup program
// does (no restricted DLL search), and calls the exports that reach the
// system: planted_dll_test.sh checks what got loaded from that folder.
// "bare-name" instead loads comctl32.dll by bare name, to show that the
// planted copy is the one such a load gets.
#include <stdint.h>
#include <string.h>
#include <windows.h>

typedef int32_t(__cdecl* Export)(void*, int32_t*, char*);

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "bare-name") == 0) return LoadLibraryA("comctl32.dll") ? 0 : 1;
  HMODULE library = LoadLibraryA("Install.dll");
  if (library == NULL) return 1;
  const char* names[] = {"AreYouThere", "GetDirSizeKB", "RequestUserInfo", "DOSSpawn"};
  for (int i = 0; i < 4; ++i) {
    Export function = (Export)(void*)GetProcAddress(library, names[i]);
    int32_t token = 0x3C5E19;
    char text[] = "exit 0";
    if (function == NULL) return 1;
    function(NULL, &token, text);
  }
  return FreeLibrary(library) ? 0 : 1;
}
