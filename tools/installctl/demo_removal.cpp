// The demo's plug-in reference removal section.
#include <cstdio>
#include <string>

#include "demo.h"

namespace installctl {

namespace {

constexpr const char kSampleConfig[] =
    "ZKCO 1\r\n"
    "0\r\n"
    "Window 640 480\r\n"
    "Plugin C:\\Program Files\\Host\\Plugins\\Render.dll\r\n"
    "  Plugin C:\\Program Files\\Host\\Plugins\\MOTIONBLUR.DLL\r\n"
    "plugin motionblur.dll is not a Plugin line: its key is lower case\r\n"
    "Plugin D:\\Extras\\MotionBlurPro.dll\r\n";

constexpr const char kNotAHostFile[] =
    "Release notes\r\n"
    "Plugin MotionBlur.dll\r\n";

}  // namespace

void DemoPluginRemoval(const DemoSession& session) {
  const auto config = session.folder() / "plugins.cfg";
  WriteFile(config, kSampleConfig);
  Section("Removing a plug-in's lines from a host configuration file");
  std::printf("  every body line keyed Plugin whose text holds \"motionblur\" in any case goes\n");
  EditAndShow(session, "ExZKCFG_RemovePluginRefs", config, "motionblur");

  Section("A file without a host configuration header is refused and left alone");
  const auto notes = session.folder() / "notes.txt";
  WriteFile(notes, kNotAHostFile);
  EditAndShow(session, "ExZKCFG_RemovePluginRefs", notes, "motionblur");
}

}  // namespace installctl
