// The library as a guest in hosts that treat it roughly: one that loads and
// frees it thousands of times, one that runs where nobody can answer a
// dialog, and one that leaves it too little memory to copy the caller's text.
#include <windows.h>
// After windows.h, whose types it needs.
#include <psapi.h>

#include "library.h"
#include "platform/win32/handles.h"
#include "support/test_files.h"

namespace install::testing {
namespace {

// More than the 1,088 thread-local slots a process has.
constexpr int kLoadCycles = 3000;
constexpr SIZE_T kLargestRange = SIZE_T{1} << 30, kSmallestRange = 1 << 16;
constexpr std::size_t kMaxRanges = 4096;
// The first cycles fill the system's own caches; what a cycle leaks shows after them.
constexpr int kWarmUpCycles = 100;
// A block a cycle would be 300 KB over the loop; the heap's own growth is less.
constexpr SIZE_T kMemorySlack = 256 << 10;
constexpr DWORD kPromptlyMs = 20000;
constexpr ULONG_PTR kHandleValues = 1 << 18;  // room for 65,536 handles
constexpr char kWhyNoDialog[] = R"(result=0 failed="show the dialog" reason="the )"
                                R"(process's window station is not interactive")";

// The host's open handles, counted one by one (Wine's GetProcessHandleCount
// answers 0), and its private bytes.
std::pair<DWORD, SIZE_T> HostUsage() {
  PROCESS_MEMORY_COUNTERS memory{};  // PagefileUsage: the private bytes
  ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  DWORD handles = 0, flags;
  for (ULONG_PTR handle = 4; handle < kHandleValues; handle += 4)
    handles += ::GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags) ? 1 : 0;
  return {handles, memory.PagefileUsage};
}

TEST(Guest, LoadedCalledAndFreedThousandsOfTimesItLeavesTheHostItsSlotsHandlesAndMemory) {
  // Held, as by any host with a window, so that each cycle loads the library alone.
  const HMODULE common_controls = ::LoadLibraryA("comctl32.dll");
  std::pair<DWORD, SIZE_T> before;
  for (int cycle = 0; cycle < kLoadCycles; ++cycle) {
    if (cycle == kWarmUpCycles) before = HostUsage();
    installctl::InstallLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(installctl::InstallLibrary::DefaultPath(), &error))
        << "cycle " << cycle << ": " << error;
    ASSERT_EQ(library.Find("AreYouThere")(nullptr, nullptr, nullptr), 1) << "cycle " << cycle;
  }
  const auto [handles, bytes] = HostUsage();
  std::printf("%d cycles: handles %lu -> %lu, private bytes %llu -> %llu\n",
              kLoadCycles - kWarmUpCycles, before.first, handles, 0ull + before.second,
              0ull + bytes);
  EXPECT_EQ(handles, before.first);
  EXPECT_LE(bytes, before.second + kMemorySlack);
  const DWORD slot = ::TlsAlloc();
  EXPECT_NE(slot, TLS_OUT_OF_INDEXES);
  ::TlsFree(slot);
  ::FreeLibrary(common_controls);
}

// RequestUserInfo's answer into `out`, asked on a desktop of its own.
DWORD WINAPI AskHidden(void* out) {
  const HDESK desktop = ::CreateDesktopW(L"Hidden", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  installctl::InstallLibrary library;
  std::string error;
  std::int32_t token = INSTALL_ACCESS_TOKEN;
  return desktop && ::SetThreadDesktop(desktop) && library.Load(library.DefaultPath(), &error) &&
         library.Call("RequestUserInfo", "", false, &token, static_cast<std::int32_t*>(out));
}

// A deployment agent's process: a window station nobody sees, with a
// desktop in it. The dialog is not even tried: the call answers 0 at once,
// stores nothing and logs why.
TEST(Guest, RequestUserInfoWhereNobodyCanSeeTheDialogAnswersZeroAtOnce) {
  const HWINSTA interactive = ::GetProcessWindowStation();
  const HWINSTA hidden = ::CreateWindowStationW(L"Hidden", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_TRUE(hidden != nullptr && ::SetProcessWindowStation(hidden)) << ::GetLastError();
  TempFolder folder;
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, folder.File("log").c_str());
  // On a thread of its own, which no window ties to the first desktop; -1
  // if the desktop or the library failed it.
  std::int32_t answer = -1;
  const platform::UniqueObject thread(::CreateThread(nullptr, 0, AskHidden, &answer, 0, nullptr));
  if (::WaitForSingleObject(thread.get(), kPromptlyMs) != WAIT_OBJECT_0) {
    std::fputs("RequestUserInfo still waits for an answer\n", stderr);
    std::_Exit(1);  // the dialog holds the thread; nothing else would end the test
  }
  EXPECT_EQ(answer, 0);
  installctl::SetEnvironmentValue(INSTALL_LOG_VARIABLE, nullptr);
  ::SetProcessWindowStation(interactive);
  ::CloseWindowStation(hidden);
  const std::string log = ReadBytes(folder.path() / "log");
  EXPECT_NE(log.find(kWhyNoDialog), std::string::npos) << log;
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
