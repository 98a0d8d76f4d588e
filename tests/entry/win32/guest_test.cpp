// The library as a guest in hosts that treat it roughly: one that loads and
// frees it thousands of times, and one that leaves it too little memory to
// copy the caller's text.
#include <windows.h>

#include "library.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

// More than the 1,088 thread-local slots a process has.
constexpr int kLoadCycles = 3000;
constexpr SIZE_T kLargestRange = SIZE_T{1} << 30, kSmallestRange = 1 << 16;
constexpr std::size_t kMaxRanges = 4096;

TEST(Guest, LoadedCalledAndFreedThousandsOfTimesItLeavesTheHostItsThreadSlots) {
  // Held, as by any host with a window, so that each cycle loads the library alone.
  const HMODULE common_controls = ::LoadLibraryA("comctl32.dll");
  for (int cycle = 0; cycle < kLoadCycles; ++cycle) {
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error))
        << "cycle " << cycle << ": " << error;
    ASSERT_EQ(library.Find("AreYouThere")(nullptr, nullptr, nullptr), 1) << "cycle " << cycle;
  }
  const DWORD slot = ::TlsAlloc();
  EXPECT_NE(slot, TLS_OUT_OF_INDEXES);
  ::TlsFree(slot);
  ::FreeLibrary(common_controls);
}

// Reserves the whole free address space of a 32-bit process, so that any
// large allocation fails, until the ranges are released. (Wine keeps ranges
// that VirtualQuery reports reserved for its own allocations, so the ranges
// are taken by size, not address.)
std::vector<void*> FillAddressSpace() {
  std::vector<void*> ranges;
  ranges.reserve(kMaxRanges);  // no allocation once the space is full
  for (SIZE_T size = kLargestRange; size >= kSmallestRange && ranges.size() < kMaxRanges;) {
    if (void* reserved = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
      ranges.push_back(reserved);
    } else {
      size /= 2;
    }
  }
  return ranges;
}

// A request whose operand the process has no room left to copy answers 6
// and leaves the file, with the host still running.
TEST(Guest, ARequestTooLargeForTheMemoryLeftAnswersTheFailureValue) {
  if (sizeof(void*) != 4)
    GTEST_SKIP() << "filling a 64-bit address space takes the machine's memory";
  installctl::InstallLibrary library;
  std::string error;
  ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error)) << error;
  TempFolder folder;
  WriteBytes(folder.path() / "host.cfg", "MDOP\r\n");
  std::string request = folder.File("host.cfg*") + std::string(64 << 20, 'x');
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  const std::vector<void*> ranges = FillAddressSpace();
  const std::int32_t result = library.Find("ExZKCFG_AppendBuffer")(nullptr, &token, request.data());
  for (void* range : ranges) ::VirtualFree(range, 0, MEM_RELEASE);
  EXPECT_EQ(result, INSTALL_EDIT_FILE_FAILED);
  EXPECT_EQ(ReadBytes(folder.path() / "host.cfg"), "MDOP\r\n");
}

}  // namespace
}  // namespace install::testing
