// Every Windows number the program uses is checked against <windows.h> when
// Korvanta.exe is built; this keeps that list of checks complete.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadSource(const std::string& path) {
    std::ifstream file(std::string(KORVANTA_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

}  // namespace

TEST(WindowsConstants, EveryOneIsCheckedAgainstTheRealHeaders) {
    const std::set<std::string> defined =
        Matches(ReadSource("platform/Constants.h"), std::regex(R"(constexpr\s+\w+\s+(\w+)\s*=)"));
    const std::set<std::string> checked =
        Matches(ReadSource("platform/Win32Constants.cpp"), std::regex(R"(^\s*X\((\w+)\))", std::regex::multiline));
    ASSERT_GT(defined.size(), 50u);
    EXPECT_EQ(defined, checked);
}
