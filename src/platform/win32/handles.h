// The Windows backend's handle owners, one line each (see unique_handle.h).
#pragma once

#include <windows.h>

#include "platform/unique_handle.h"

namespace install::platform {

// Files, folders and anything CreateFileW opens: INVALID_HANDLE_VALUE is none.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::FindClose(handle); }
};

using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
// Processes, threads, events and other kernel objects: null is none.
using UniqueObject = UniqueHandle<HandleTraits<HANDLE, nullptr, ::CloseHandle>>;
using UniqueKey = UniqueHandle<HandleTraits<HKEY, nullptr, ::RegCloseKey>>;
using UniqueLibrary = UniqueHandle<HandleTraits<HMODULE, nullptr, ::FreeLibrary>>;
using UniqueBrush = UniqueHandle<HandleTraits<HBRUSH, nullptr, ::DeleteObject>>;
// Memory the system allocated for the caller (SIDs and security descriptors as text and back).
using UniqueLocalMemory = UniqueHandle<HandleTraits<HLOCAL, nullptr, ::LocalFree>>;

}  // namespace install::platform
