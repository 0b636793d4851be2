// The user guide docs/library.md is generated from the comment blocks of the program source
// files at every build; the copy checked in must be that guide, and the guide must hold every
// program's whole comment block, module by module in slot order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace korvelce {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(LibraryGuide, CheckedInCopyIsUpToDate) {
    const fs::path built = KORVELCE_LIBRARY_GUIDE_BUILT;
    const fs::path checkedIn = KORVELCE_LIBRARY_GUIDE_SOURCE;
    ASSERT_TRUE(fs::is_regular_file(built)) << built << " was not generated";
    const std::string message = "docs/library.md is out of date: copy " + built.string() +
                                " over it (" + checkedIn.string() + ")";
    ASSERT_TRUE(fs::is_regular_file(checkedIn)) << message;
    const std::vector<std::string> want = linesOf(readText(built));
    const std::vector<std::string> have = linesOf(readText(checkedIn));
    for (std::size_t i = 0; i < std::max(want.size(), have.size()); ++i) {
        const std::string generated = i < want.size() ? want[i] : "(end of file)";
        const std::string checked = i < have.size() ? have[i] : "(end of file)";
        if (generated != checked)
            FAIL() << message << "\nfirst difference at line " << i + 1
                   << ":\n  checked in: " << checked << "\n  generated:  " << generated;
    }
}

// Every source file has its section, in module and slot order, with every comment line.
TEST(LibraryGuide, HoldsEveryProgramsCommentBlockInOrder) {
    const std::string guide = readText(KORVELCE_LIBRARY_GUIDE_BUILT);
    std::size_t position = 0;
    for (const auto& [folder, heading] :
         {std::pair{"master", "## Master (module 110)"},
          std::pair{"maths", "## Maths / Utilities (module 128)"}}) {
        position = guide.find(heading, position);
        ASSERT_NE(position, std::string::npos) << heading;
        std::vector<fs::path> files;
        for (const auto& entry :
             fs::directory_iterator(fs::path(KORVELCE_LIBRARY_SOURCES) / folder))
            if (entry.path().extension() == ".kvs") files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        ASSERT_FALSE(files.empty()) << folder;
        for (const fs::path& file : files) {
            std::vector<std::string> comment;
            for (const std::string& line : linesOf(readText(file))) {
                if (comment.empty() && line.find_first_not_of(" \t\r") == std::string::npos)
                    continue;  // blank lines before the block
                if (line.empty() || line[0] != '#') break;
                std::string body = line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1);
                while (!body.empty() && (body.back() == ' ' || body.back() == '\r'))
                    body.pop_back();
                comment.push_back(body);
            }
            ASSERT_FALSE(comment.empty()) << file;
            const std::string section =
                "### PGM " + file.filename().string().substr(0, 2) + ": " + comment.front() + "\n";
            const std::size_t at = guide.find(section, position);
            ASSERT_NE(at, std::string::npos) << section << " missing or out of order";
            position = at + section.size();
            for (std::size_t k = 1; k < comment.size(); ++k) {
                if (comment[k].empty()) continue;
                const std::size_t line = guide.find("\n" + comment[k] + "\n", position);
                ASSERT_NE(line, std::string::npos) << file << ": " << comment[k];
                position = line + 1;
            }
        }
    }
}

}  // namespace
}  // namespace korvelce
