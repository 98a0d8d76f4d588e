// The demo's setup-utilities section: measuring a tree, running a command,
// starting a program.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "demo.h"

namespace installctl {
namespace {

namespace fs = std::filesystem;

constexpr auto kPollStep = std::chrono::milliseconds(50);
constexpr int kPollSteps = 100;

struct SampleFile {
  const char* path;
  std::uintmax_t size;
};

// 1 + 0 + 1 + 4 KB: each file is rounded down on its own.
constexpr SampleFile kSampleTree[] = {
    {"Plugins/Render.dll", 1025},
    {"Plugins/readme.txt", 1000},
    {"Plugins/Extra/Extra.dll", 2047},
    {"Data/Presets/default.dat", 4096},
};

void MakeSampleTree(const fs::path& top) {
  for (const SampleFile& file : kSampleTree) {
    const fs::path path = top / fs::path(file.path).make_preferred();
    fs::create_directories(path.parent_path());
    WriteFile(path, std::string(file.size, 'x'));
  }
}

// The started program runs on its own time; give it a moment to write.
bool EventuallyWritten(const fs::path& path) {
  std::error_code error;
  for (int step = 0; step < kPollSteps; ++step) {
    if (fs::file_size(path, error) > 0 && !error) return true;
    std::this_thread::sleep_for(kPollStep);
  }
  return false;
}

}  // namespace

void DemoUtilities(const DemoSession& session) {
  const fs::path tree = session.folder() / "Host";
  MakeSampleTree(tree);

  Section("Measuring a directory tree (not gated)");
  for (const SampleFile& file : kSampleTree)
    std::printf("  %5llu bytes  %s\n", static_cast<unsigned long long>(file.size), file.path);
  session.Call("GetDirSizeKB", tree.string(), 0);
  std::printf("  kilobytes: each file rounded down on its own, 1 + 0 + 1 + 4\n");
  session.Call("GetDirSizeKB", (session.folder() / "missing").string(), 0);
  std::printf("  a missing folder measures 0\n");

  Section("Running a command and waiting for it");
  session.Call("DOSSpawn", "exit 3");
  std::printf("  the command's exit code\n");
  const fs::path written = session.folder() / "from_command.txt";
  session.Call("DOSSpawn", "echo written by the command interpreter> " + written.string());
  ShowFile("the command has finished, so its file is there", written);

  Section("Starting a program without waiting for it");
  const fs::path started = session.folder() / "from_program.txt";
  const std::int32_t result = session.Call("WINSpawn", ProgramWritingFile(started.string()));
  std::printf("  above 31: started\n");
  if (result > 31 && EventuallyWritten(started)) ShowFile("the program wrote", started);
  session.Call("WINSpawn", "no-such-program");
  std::printf("  2: the program was not found\n");
  const fs::path refused = session.folder() / "refused.txt";
  session.Call("WINSpawn", ProgramWritingFile(refused.string()), 0);
  std::printf("  refused: 0 is returned and nothing starts\n");
}

}  // namespace installctl
