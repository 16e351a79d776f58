// The folders depend one way: platform/ <- remote/ <- settings/ <- delivery/
// <- app/. A file includes only its own folder and those to its left, so a
// change to lock-on, the map or the log can be made knowing who may be
// touched by it. The one exception is the real entry point, which starts the
// program that app/ puts together.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLayers = {"platform", "remote", "settings", "delivery", "app"};

struct AllowedUpward {
    std::string file;
    std::string include;
};
const AllowedUpward kEntryPoint = {"platform/Win32Main.cpp", "app/Startup.h"};

int LayerOf(const std::string& folder) {
    for (std::size_t i = 0; i < kLayers.size(); ++i)
        if (kLayers[i] == folder) return static_cast<int>(i);
    return -1;
}

// Every quoted include of the project's folders that points the wrong way,
// as "file:line: includes target".
std::vector<std::string> WrongWayIncludes(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^"/]+)/([^"]+)\")");
    std::vector<std::string> wrong;
    for (const std::string& folder : kLayers) {
        if (!fs::is_directory(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            const std::string file = fs::relative(entry.path(), root).generic_string();
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, include)) continue;
                const std::string target = match[1].str() + "/" + match[2].str();
                const int to = LayerOf(match[1].str());
                const bool upward = to < 0 || to > LayerOf(folder);
                const bool entryPoint = file == kEntryPoint.file && target == kEntryPoint.include;
                if (upward && !entryPoint)
                    wrong.push_back(file + ":" + std::to_string(number) + ": includes " + target);
            }
        }
    }
    return wrong;
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

}  // namespace

TEST(IncludeDirectionTest, NoFolderIncludesOneToItsRight) {
    const std::vector<std::string> wrong = WrongWayIncludes(KORVANTA_SOURCE_DIR);
    EXPECT_TRUE(wrong.empty()) << [&] {
        std::string all;
        for (const std::string& w : wrong) all += w + "\n";
        return all;
    }();
}

TEST(IncludeDirectionTest, AnUpwardIncludeIsNamedByFileAndLineAndTheEntryPointAloneMayStartTheProgram) {
    const fs::path root = fs::temp_directory_path() /
                          ("korvanta-includes-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    Write(root / "delivery/LockOn.cpp", "#include \"delivery/LockOn.h\"\n\n#include \"app/MainWindow.h\"\n");
    Write(root / "remote/ButtonMap.cpp", "#include \"remote/ButtonMap.h\"\n#include \"delivery/BringToFront.h\"\n");
    Write(root / "settings/SettingsFile.cpp", "  #  include \"tests/sim/SimDesktop.h\"\n#include <string>\n");
    Write(root / "app/MainWindow.cpp", "#include \"delivery/Routing.h\"\n#include \"platform/Platform.h\"\n");
    Write(root / "platform/Win32Main.cpp", "#include \"app/Startup.h\"\n#include \"app/MainWindow.h\"\n");
    EXPECT_EQ(WrongWayIncludes(root), (std::vector<std::string>{
                                          "platform/Win32Main.cpp:2: includes app/MainWindow.h",
                                          "remote/ButtonMap.cpp:2: includes delivery/BringToFront.h",
                                          "settings/SettingsFile.cpp:1: includes tests/sim/SimDesktop.h",
                                          "delivery/LockOn.cpp:3: includes app/MainWindow.h",
                                      }));
    fs::remove_all(root);
}
