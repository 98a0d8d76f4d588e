// installctl demo: the library at work on a small sample, in a fresh folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "install.h"
#include "library.h"

namespace installctl {

class DemoSession {
 public:
  DemoSession(const InstallLibrary& library, std::filesystem::path folder)
      : library_(library), folder_(std::move(folder)) {}

  const std::filesystem::path& folder() const { return folder_; }

  // Calls an export as a setup script would, after saying what it passes.
  std::int32_t Call(const char* name, const std::string& text,
                    std::int32_t value = INSTALL_ACCESS_TOKEN) const;

 private:
  const InstallLibrary& library_;
  std::filesystem::path folder_;
};

int RunDemo(const InstallLibrary& library);

// Shared by the demo's sections.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
void ShowFile(const char* title, const std::filesystem::path& file);
const char* EditResultMeaning(std::int32_t result);
void Section(const char* title);
// Shows `file`, calls the editing export `name` on "file*operand", says what
// the result means and shows the file again.
std::int32_t EditAndShow(const DemoSession& session, const char* name,
                         const std::filesystem::path& file, const std::string& operand,
                         std::int32_t value = INSTALL_ACCESS_TOKEN);

// One section per subsystem.
void DemoConfigEditing(const DemoSession& session);
void DemoPluginRemoval(const DemoSession& session);
void DemoUtilities(const DemoSession& session);

// A command line for a program (no interpreter between) that writes `file`;
// each platform has its own.
std::string ProgramWritingFile(const std::string& file);

}  // namespace installctl
