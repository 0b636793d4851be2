// A fresh, empty folder of the test's own under the system's temporary folder. The name is
// made by mkdtemp, so tests running at once (even in builds where every process has the same
// process number) never share one.
#pragma once

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace korvelce::test {

inline std::filesystem::path freshTempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string();
    pattern += "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// The bytes of a file, or nothing when it cannot be read.
inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file at path with bytes.
inline void writeFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A test with a fresh folder of its own (dir), removed with everything in it afterwards.
class TempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = freshTempFolder("korvelce-test");
        ASSERT_FALSE(dir.empty()) << "no temporary folder";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    // Writes text to the file name in dir; returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::filesystem::path path = dir / name;
        writeFileBytes(path, text);
        return path.string();
    }
    std::filesystem::path dir;
};

}  // namespace korvelce::test
