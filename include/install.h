/*
 * Install: the setup helper library.
 *
 * Every export takes the same three arguments and returns a 32-bit signed
 * integer. The caller removes the arguments after the call (cdecl):
 *
 *   hwnd       owner window for anything the call shows; ignored by the rest
 *   lpIValue   points to a 32-bit integer; gated exports compare it with
 *              INSTALL_ACCESS_TOKEN and refuse the call when it differs.
 *              No export writes through it. A null pointer is a refused token.
 *   lpszValue  zero-terminated 8-bit text; its meaning depends on the export.
 *              A null pointer is read as the empty text.
 *
 * Only this header is public. It builds as C and as C++.
 */
#ifndef INSTALL_H
#define INSTALL_H

#include <stdint.h>

#ifdef _WIN32
#define INSTALL_CALL __cdecl
#define INSTALL_API
#else
#define INSTALL_CALL
#define INSTALL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The value a gated export's integer argument must hold. */
#define INSTALL_ACCESS_TOKEN 0x3C5E19 /* 3956249 */

/* The environment variable that, naming a file, turns the diagnostic log on. */
#define INSTALL_LOG_VARIABLE "INSTALL_LOG"

/*
 * The exports, one row each:
 *   name, gated by the token, value returned when the token is refused,
 *   value returned when the work fails unexpectedly (the frame turns any
 *   internal error into this value; nothing is ever thrown to the caller).
 */
#define INSTALL_EXPORT_TABLE(X)    \
  X(AreYouThere, 0, 0, 1)          \
  X(GetDirSizeKB, 0, 0, 0)         \
  X(DOSSpawn, 1, 0, -1)            \
  X(WINSpawn, 1, 0, 0)             \
  X(RequestUserInfo, 1, -1, 0)     \
  X(ExZKCFG_AppendBuffer, 1, 0, 6) \
  X(ExZKCFG_RemovePluginRefs, 1, 0, 6)

/*
 * Results of the two configuration-editing exports. 0 is also what a call
 * refused for a wrong token returns.
 */
#define INSTALL_EDIT_RESULT_TABLE(X)                                          \
  X(INSTALL_EDIT_DONE, 0, "done (or the token was refused)")                  \
  X(INSTALL_EDIT_NOT_READABLE, 1, "the file is missing or may not be read")   \
  X(INSTALL_EDIT_NOT_HOST_FILE, 4, "the first line is neither ZKCO nor MDOP") \
  X(INSTALL_EDIT_BAD_SECOND_HEADER, 5, "ZKCO is not followed by a line 0")    \
  X(INSTALL_EDIT_FILE_FAILED, 6, "a file could not be opened, written or replaced")

enum InstallEditResult {
#define INSTALL_EDIT_RESULT_ENUM(name, value, meaning) name = value,
  INSTALL_EDIT_RESULT_TABLE(INSTALL_EDIT_RESULT_ENUM)
#undef INSTALL_EDIT_RESULT_ENUM
};

typedef int32_t(INSTALL_CALL* InstallExportFn)(void* hwnd, int32_t* lpIValue, char* lpszValue);

#define INSTALL_DECLARE_EXPORT(name, gated, refusal, failure) \
  INSTALL_API int32_t INSTALL_CALL name(void* hwnd, int32_t* lpIValue, char* lpszValue);
INSTALL_EXPORT_TABLE(INSTALL_DECLARE_EXPORT)
#undef INSTALL_DECLARE_EXPORT

#ifdef __cplusplus
}
#endif

#endif /* INSTALL_H */
