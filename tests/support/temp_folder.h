// A fresh, empty folder of the test's own under the system's temporary folder. The name is
// made by mkdtemp, so tests running at once (even in builds where every process has the same
// process number) never share one.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace korvelce::test {

inline std::filesystem::path freshTempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string();
    pattern += "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

}  // namespace korvelce::test
