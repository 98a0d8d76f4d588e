// A host that calls RequestUserInfo of the Install.dll given and prints, as
// UTF-8 "what=text" lines, what the user sees: the dialog's title, whether
// it is mirrored, its labels and button; then, after Accept with no user
// name, the message box's caption and text. It leaves with Esc.
#include <stdint.h>
#include <stdio.h>
#include <windows.h>

typedef int32_t(__cdecl* Export)(void*, int32_t*, char*);
enum { kPollMs = 100, kPatienceTries = 300, kDialogClass = 32770 };

static void Print(const char* what, HWND window) {
  wchar_t wide[512];
  char text[2048];
  GetWindowTextW(window, wide, 512);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL);
  printf("%s=%s\n", what, text);
}

// The thread's visible dialog (the message box is one too) other than `skip`.
static HWND g_found, g_skip;
static BOOL CALLBACK Match(HWND window, LPARAM unused) {
  (void)unused;
  const BOOL wanted = window != g_skip && IsWindowVisible(window) &&
                      GetClassLongW(window, GCW_ATOM) == kDialogClass;
  if (wanted) g_found = window;
  return !wanted;
}
static HWND WaitForDialog(DWORD thread, HWND skip) {
  for (int tries = 0; tries < kPatienceTries; ++tries, Sleep(kPollMs)) {
    g_found = NULL, g_skip = skip;
    EnumThreadWindows(thread, Match, 0);
    if (g_found != NULL) return g_found;
  }
  return NULL;
}

static BOOL CALLBACK PrintChild(HWND child, LPARAM in_message_box) {
  wchar_t name[64];
  GetClassNameW(child, name, 64);
  if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextLengthW(child) > 0) {
    Print(in_message_box ? "message" : "label", child);
  } else if (lstrcmpiW(name, L"Button") == 0 && !in_message_box) {
    Print("button", child);
  }
  return TRUE;
}

static DWORD WINAPI Call(void* library) {
  Export request = (Export)(void*)GetProcAddress((HMODULE)library, "RequestUserInfo");
  int32_t token = 0x3C5E19;
  return request != NULL ? (DWORD)request(NULL, &token, NULL) : 2;
}

int main(int argc, char** argv) {
  setvbuf(stdout, NULL, _IONBF, 0);
  HMODULE library = argc == 2 ? LoadLibraryA(argv[1]) : NULL;
  // The display is set up here, before a second thread could race this one
  // to it (Wine's loader can deadlock on that).
  GetDesktopWindow();
  DWORD id = 0, result = 2;
  HANDLE thread = library != NULL ? CreateThread(NULL, 0, Call, library, 0, &id) : NULL;
  HWND dialog = thread != NULL ? WaitForDialog(id, NULL) : NULL;
  if (dialog == NULL) return 1;
  Print("title", dialog);
  printf("mirrored=%s\n", GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_LAYOUTRTL ? "yes" : "no");
  EnumChildWindows(dialog, PrintChild, 0);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);  // no user name: the message box
  HWND box = WaitForDialog(id, dialog);
  if (box == NULL) return 1;
  Print("message caption", box);
  EnumChildWindows(box, PrintChild, 1);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  // The dialog again, a new window, and Esc.
  for (int tries = 0; tries < kPatienceTries && (IsWindow(box) || IsWindow(dialog)); ++tries) {
    Sleep(kPollMs);
  }
  if ((dialog = WaitForDialog(id, NULL)) == NULL) return 1;
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  if (WaitForSingleObject(thread, kPollMs * kPatienceTries) != WAIT_OBJECT_0) return 1;
  GetExitCodeThread(thread, &result);
  printf("result=%lu\n", (unsigned long)result);
  return 0;
}
