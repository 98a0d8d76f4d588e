#include "support/system_state.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace install::testing {
namespace {

constexpr unsigned kChildSeconds = 20;

pid_t StartChild(const Work& work) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::alarm(kChildSeconds);
  ::_exit(work());
}

int AnswerOf(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace

int LastSystemError() { return errno; }

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

void RunTogether(const Work (&work)[2], std::int32_t answers[2]) {
  const pid_t children[2] = {StartChild(work[0]), StartChild(work[1])};
  for (int i : {0, 1}) answers[i] = AnswerOf(children[i]);
}

int InChild(const Work& work) { return AnswerOf(StartChild(work)); }

}  // namespace install::testing
