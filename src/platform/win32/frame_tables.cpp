// The 32-bit DLL's start-up file, in place of the compiler's crtbegin.o.
//
// The 32-bit DLL unwinds with DWARF frame tables, which the unwinder finds
// only once they are registered with it. The compiler's crtbegin.o registers
// them at load, but with libgcc_s_dw2-1.dll whenever the host has that
// loaded (taking a reference to it with LoadLibrary, under the loader lock),
// while the DLL throws with the unwinder linked into it, which then finds no
// tables: any exception ends the host. This file always registers them with
// the DLL's own unwinder and touches no other DLL.
//
// Like crtbegin.o, it is linked first (after the DLL entry code, whose C
// functions need no tables): the label below starts the tables, the zero
// word at the start of crtend.o, linked last, ends them; crtend.o calls
// __gcc_register_frame before any static constructor.
#include <cstdlib>

extern "C" {
void __register_frame_info(const void* begin, void* registration);
void* __deregister_frame_info(const void* begin);
}

namespace {

__attribute__((used, section(".eh_frame"), aligned(4))) const char kFrameTablesBegin[0] = {};

// The unwinder's own record of the registration, which it fills in (libgcc's
// `struct object`, six words; eight to spare).
struct {
  void* words[8];
} g_registration;

void DeregisterFrameTables() { __deregister_frame_info(kFrameTablesBegin); }

}  // namespace

extern "C" void __gcc_register_frame() {
  __register_frame_info(kFrameTablesBegin, &g_registration);
  std::atexit(DeregisterFrameTables);
}
