// Install.dll carries its own copy of the C++ runtime and is built without
// exceptions: its errors travel as values. The runtime still has its own
// ways of failing, each of which would link its exception support (the
// personality routine, the unwinder, the standard exception classes and the
// old string ABI their messages use, about 65 KB together). Defined here,
// they end the process instead, as the library's build promises:
//
// - `operator new`, which throws bad_alloc when the heap is exhausted. An
//   allocation whose size the caller's text or a file decides never comes
//   here (platform/fallible_buffer.h answers those with a failure value);
//   what does is small and fixed, and its failure means the process has no
//   memory left for anything.
// - The helpers the containers call on a misuse (length_error,
//   out_of_range and the like): a bug, never an answer.
// - The default terminate handler, which would print the exception's type
//   with the name demangler (about 45 KB).
//
// Code that comes to need another of the helpers pulls the runtime's object
// back in, and the link then fails on the helpers defined twice: add that
// one here.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void OutOfMemory() { std::abort(); }

void* AllocateOrEnd(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) OutOfMemory();
  return memory;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

[[noreturn]] void __throw_bad_alloc() { OutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfMemory(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }

}  // namespace std
