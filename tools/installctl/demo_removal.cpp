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
  const std::string path = config.string();
  WriteFile(config, kSampleConfig);

  Section("Removing a plug-in's lines from a host configuration file");
  std::printf("  every body line keyed Plugin whose text holds \"motionblur\" in any case goes\n");
  ShowFile("before", config);
  std::int32_t result = session.Call("ExZKCFG_RemovePluginRefs", path + "*motionblur");
  std::printf("  %s\n", EditResultMeaning(result));
  ShowFile("after", config);

  Section("A file without a host configuration header is refused and left alone");
  const auto notes = session.folder() / "notes.txt";
  WriteFile(notes, kNotAHostFile);
  result = session.Call("ExZKCFG_RemovePluginRefs", notes.string() + "*motionblur");
  std::printf("  %s\n", EditResultMeaning(result));
  ShowFile("after", notes);
}

}  // namespace installctl
