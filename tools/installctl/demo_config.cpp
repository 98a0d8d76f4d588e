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
  const std::string path = config.string();
  WriteFile(config, kSampleConfig);

  Section("Appending a line to a host configuration file");
  ShowFile("before", config);
  std::int32_t result =
      session.Call("ExZKCFG_AppendBuffer", path + "*Plugin C:\\Plugins\\Extra.dll");
  std::printf("  %s\n", EditResultMeaning(result));
  ShowFile("after", config);

  Section("The same call without the access token changes nothing");
  result = session.Call("ExZKCFG_AppendBuffer", path + "*Plugin Intruder.dll", 0);
  std::printf("  refused: 0 is returned and the file is as it was\n");
  ShowFile("after", config);

  Section("A file that is not there");
  result = session.Call("ExZKCFG_AppendBuffer",
                        (session.folder() / "missing.cfg").string() + "*Plugin Extra.dll");
  std::printf("  %s\n", EditResultMeaning(result));
}

}  // namespace installctl
