#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace velmora::test {

// A whole file's bytes ("" when it cannot be read).
inline std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Replaces a file's bytes.
inline void writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

} // namespace velmora::test
