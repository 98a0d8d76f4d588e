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
 *              A null pointer is read as the empty text. On Windows it is in
 *              the ANSI code page, read as Windows' own A functions read it.
 *
 * On Windows, the five exports that use their text have a Unicode twin, the
 * same name with a final W (GetDirSizeKBW, ...), that takes the text as
 * zero-terminated UTF-16 (wchar_t) and keeps every other part of the
 * contract: the gate, the refusal and failure values, the effect on the
 * caller's buffer. A twin's text holding an unpaired surrogate is refused
 * with the export's failure value. The POSIX library has no twins: its text
 * is bytes, passed on as given (UTF-8 in practice).
 *
 * Only this header is public. It builds as C and as C++.
 */
#ifndef INSTALL_H
#define INSTALL_H

#include <stdint.h>
#ifdef _WIN32
#include <wchar.h>
#endif

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
 *   internal error into this value; nothing is ever thrown to the caller),
 *   and 1 when the export has a Unicode twin on Windows (name##W).
 */
#define INSTALL_EXPORT_TABLE(X)       \
  X(AreYouThere, 0, 0, 1, 0)          \
  X(GetDirSizeKB, 0, 0, 0, 1)         \
  X(DOSSpawn, 1, 0, -1, 1)            \
  X(WINSpawn, 1, 0, 0, 1)             \
  X(RequestUserInfo, 1, -1, 0, 0)     \
  X(ExZKCFG_AppendBuffer, 1, 0, 6, 1) \
  X(ExZKCFG_RemovePluginRefs, 1, 0, 6, 1)

/* INSTALL_IF_TWIN(wide)(tokens) keeps the tokens for a row that has a twin. */
#define INSTALL_IF_TWIN(wide) INSTALL_IF_TWIN_##wide
#define INSTALL_IF_TWIN_0(...)
#define INSTALL_IF_TWIN_1(...) __VA_ARGS__

/*
 * Results of the two configuration-editing exports. 0 is also what a call
 * refused for a wrong token returns.
 */
#define INSTALL_EDIT_RESULT_TABLE(X)                                                             \
  X(INSTALL_EDIT_DONE, 0, "done (or the token was refused)")                                     \
  X(INSTALL_EDIT_NOT_READABLE, 1, "the file is missing or may not be read, or no file is named") \
  X(INSTALL_EDIT_NOT_HOST_FILE, 4, "the first line is neither ZKCO nor MDOP")                    \
  X(INSTALL_EDIT_BAD_SECOND_HEADER, 5, "ZKCO is not followed by a line 0")                       \
  X(INSTALL_EDIT_FILE_FAILED, 6,                                                                 \
    "a file could not be opened, written or replaced, or the request has no operand")

enum InstallEditResult {
#define INSTALL_EDIT_RESULT_ENUM(name, value, meaning) name = value,
  INSTALL_EDIT_RESULT_TABLE(INSTALL_EDIT_RESULT_ENUM)
#undef INSTALL_EDIT_RESULT_ENUM
};

typedef int32_t(INSTALL_CALL* InstallExportFn)(void* hwnd, int32_t* lpIValue, char* lpszValue);

#define INSTALL_DECLARE_EXPORT(name, gated, refusal, failure, wide) \
  INSTALL_API int32_t INSTALL_CALL name(void* hwnd, int32_t* lpIValue, char* lpszValue);
INSTALL_EXPORT_TABLE(INSTALL_DECLARE_EXPORT)
#undef INSTALL_DECLARE_EXPORT

#ifdef _WIN32
typedef int32_t(INSTALL_CALL* InstallWideExportFn)(void* hwnd, int32_t* lpIValue,
                                                   wchar_t* lpszValue);

#define INSTALL_DECLARE_WIDE_EXPORT(name, gated, refusal, failure, wide) \
  INSTALL_IF_TWIN(wide)                                                  \
  (INSTALL_API int32_t INSTALL_CALL name##W(void* hwnd, int32_t* lpIValue, wchar_t* lpszValue);)
INSTALL_EXPORT_TABLE(INSTALL_DECLARE_WIDE_EXPORT)
#undef INSTALL_DECLARE_WIDE_EXPORT
#endif

#ifdef __cplusplus
}
#endif

#endif /* INSTALL_H */
