// The demo's configuration-editing section.
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

}  // namespace installctl
