// Install.dll carries its own copy of the C++ runtime, and two of the
// runtime's conveniences cost far more there than they give a DLL that lets
// nothing escape its exports (every export catches everything and returns
// its failure value):
//
// - The default terminate handler prints the uncaught exception's type, which
//   links in the whole name demangler (about 45 KB) to write to a console a
//   setup program does not have.
// - The helpers the containers call to throw length_error, out_of_range and
//   the like live in one object that builds every standard exception, and
//   with them the reference-counted string of the old ABI and its
//   instantiations (about 80 KB), since those exceptions carry their message
//   in one.
//
// Defining them here keeps those objects out of the link. The exceptions
// thrown instead are still exceptions, caught and answered by the export
// frame as before; only their type and message differ. Code that comes to
// need another of the helpers pulls the runtime's object back in, and the
// link then fails on the helpers defined twice: add that one here.
//
// A third piece is replaced for the host's sake: the runtime keeps each
// thread's exceptions in flight in a thread-local variable, which MinGW
// emulates with a TLS slot it takes on the first throw and never gives
// back, one more per load. Here they live in the library's own thread slot,
// in blocks that are all freed when the library unloads.
#include <bits/functexcept.h>
#include <cxxabi.h>
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "platform/thread_slot.h"

// The Itanium C++ ABI's per-thread exception record, as the runtime reads it.
struct __cxxabiv1::__cxa_eh_globals {
  void* caught_exceptions;
  unsigned int uncaught_exceptions;
};

namespace {

using __cxxabiv1::__cxa_eh_globals;
using install::platform::ThreadSlot;

struct alignas(MEMORY_ALLOCATION_ALIGNMENT) ExceptionBlock {
  SLIST_ENTRY entry;  // first: the list links blocks by this member
  __cxa_eh_globals globals;
};

// Every thread's block, so that unloading frees them all. A zeroed header is
// an empty list.
SLIST_HEADER g_blocks;

// For a thread whose block cannot be allocated: shared, which only matters
// if two such threads throw at once, and better than ending the host.
__cxa_eh_globals g_fallback;

struct FreeBlocksAtUnload {
  ~FreeBlocksAtUnload() {
    SLIST_ENTRY* entry = ::InterlockedFlushSList(&g_blocks);
    while (entry != nullptr) {
      SLIST_ENTRY* next = entry->Next;
      ::HeapFree(::GetProcessHeap(), 0, entry);
      entry = next;
    }
  }
} free_blocks_at_unload;

__cxa_eh_globals* ThisThreadsExceptions() noexcept {
  auto* globals =
      static_cast<__cxa_eh_globals*>(install::platform::GetThreadSlot(ThreadSlot::kExceptions));
  if (globals != nullptr) return globals;
  void* memory = ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ExceptionBlock));
  if (memory == nullptr) return &g_fallback;
  auto* block = static_cast<ExceptionBlock*>(memory);
  ::InterlockedPushEntrySList(&g_blocks, &block->entry);
  install::platform::SetThreadSlot(ThreadSlot::kExceptions, &block->globals);
  return &block->globals;
}

class ContainerError : public std::exception {
 public:
  explicit ContainerError(const char* what) noexcept : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

}  // namespace

namespace __cxxabiv1 {
extern "C" {

__cxa_eh_globals* __cxa_get_globals() noexcept { return ThisThreadsExceptions(); }
__cxa_eh_globals* __cxa_get_globals_fast() noexcept { return ThisThreadsExceptions(); }

}  // extern "C"
}  // namespace __cxxabiv1

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* what) { throw ContainerError(what); }
void __throw_logic_error(const char* what) { throw ContainerError(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw ContainerError(format); }

}  // namespace std
