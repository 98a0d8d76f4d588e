// The demo's configuration-editing sections: append and plug-in removal.
#include <cstdio>
#include <string>

#include "demo.h"

namespace installctl {

namespace {

constexpr const char kSampleConfig[] =
    "ZKCO 1\r\n"
    "0\r\n"
    "Window 640 480\r\n"
    "Plugin C:\\Program Files\\Host\\Plugins\\Render.dll\r\n";

// Lines the removal of "motionblur" drops, and one it keeps.
constexpr const char kMotionBlurLines[] =
    "  Plugin C:\\Program Files\\Host\\Plugins\\MOTIONBLUR.DLL\r\n"
    "plugin motionblur.dll is not a Plugin line: its key is lower case\r\n"
    "Plugin D:\\Extras\\MotionBlurPro.dll\r\n";

constexpr const char kNotAHostFile[] =
    "Release notes\r\n"
    "Plugin MotionBlur.dll\r\n";

}  // namespace

void DemoConfigEditing(const DemoSession& session) {
  const auto config = session.folder() / "host.cfg";
  WriteFile(config, kSampleConfig);
  Section("Appending a line to a host configuration file");
  EditAndShow(session, "ExZKCFG_AppendBuffer", config, "Plugin C:\\Plugins\\Extra.dll");

  Section("The same call without the access token changes nothing");
  EditAndShow(session, "ExZKCFG_AppendBuffer", config, "Plugin Intruder.dll", 0);

  Section("A file that is not there");
  const auto missing = session.folder() / "missing.cfg";
  const std::int32_t result =
      session.Call("ExZKCFG_AppendBuffer", missing.string() + "*Plugin Extra.dll");
  std::printf("  %s\n", EditResultMeaning(result));
}

void DemoPluginRemoval(const DemoSession& session) {
  const auto config = session.folder() / "plugins.cfg";
  WriteFile(config, std::string(kSampleConfig) + kMotionBlurLines);
  Section("Removing a plug-in's lines from a host configuration file");
  std::printf("  every body line keyed Plugin whose text holds \"motionblur\" in any case goes\n");
  EditAndShow(session, "ExZKCFG_RemovePluginRefs", config, "motionblur");

  Section("A file without a host configuration header is refused and left alone");
  const auto notes = session.folder() / "notes.txt";
  WriteFile(notes, kNotAHostFile);
  EditAndShow(session, "ExZKCFG_RemovePluginRefs", notes, "motionblur");
}

}  // namespace installctl
