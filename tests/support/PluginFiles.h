#pragma once

#include <string>

namespace velmora::test {

// A plug-in library the build made, in the program folder's Plugins.
inline std::string builtPluginPath(const std::string& file)
{
    return std::string(VELMORA_OUT_DIR) + "/Plugins/" + file;
}
// One of the test plug-ins the suites load.
inline std::string testPluginPath(const std::string& file)
{
    return std::string(VELMORA_TEST_PLUGINS_DIR) + "/" + file;
}

} // namespace velmora::test
