#include "support/system_state.h"

#include <windows.h>

namespace install::testing {
namespace {

using WorkAndAnswer = std::pair<const Work*, std::int32_t*>;
DWORD WINAPI RunOnThread(void* work_and_answer) {
  auto* both = static_cast<WorkAndAnswer*>(work_and_answer);
  *both->second = (*both->first)();
  return 0;
}

}  // namespace

int LastSystemError() { return static_cast<int>(::GetLastError()); }

bool MakeFifo(const std::string&) { return false; }

void RunTogether(const Work (&work)[2], std::int32_t answers[2]) {
  WorkAndAnswer other{&work[1], &answers[1]};
  const HANDLE thread = ::CreateThread(nullptr, 0, RunOnThread, &other, 0, nullptr);
  answers[0] = work[0]();
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
}

}  // namespace install::testing
