// When the settings file is written: only for a value that changed, and then keeping what the user made
// of the file (its permissions, a symbolic link to a file kept elsewhere).
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrel;
using kestrel::test::readFile;
using kestrel::test::writeFile;

namespace {

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Names in a folder that are not among the expected ones (a temporary file left behind).
std::vector<std::string> strayFiles(const std::string& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> stray;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* e = dir ? ::readdir(dir) : nullptr) {
        std::string name = e->d_name;
        if (name != "." && name != ".." && std::find(expected.begin(), expected.end(), name) == expected.end())
            stray.push_back(name);
    }
    if (dir)
        ::closedir(dir);
    return stray;
}

} // namespace

TEST(SettingsWrite, AValueAlreadyHeldLeavesTheFileUntouched) {
    test::TempDir dir;
    const std::string ini = dir.file("Kestrel.ini");
    // Blanks, quotes and another case of the key name are the same value as far as a reader goes.
    const std::string text = "[Kestrel]\r\n  Move1 = 5 \r\nDURL=\"x/y/\"\r\nVersion=1.0.0\r\n";
    struct {
        const char* key;
        const char* value;
        bool untouched;
    } cases[] = {
        {"move1", "5", true},
        {"DURL", "x/y/", true},
        {"Version", "1.0.0", true},
        {"Version", "1.0.1", false},
        {"move1", "6", false},
        {"hibiPath", "", false}, // a missing key is written
        // Values a reader would lose blanks or quotes of go inside quotes, and so read back exactly.
        {"move1", " 5", false},
        {"Version", "1.0.0\t", false},
        {"DURL", "\"x/y/\"", false},
        {"hibiPath", "'/a b/'", false},
        {"hibiPath", "\"", false},
        {"hibiPath", " ", false},
    };
    for (const auto& c : cases) {
        writeFile(ini, text);
        const struct stat before = statOf(ini);
        ::usleep(10000);
        ASSERT_TRUE(writeProfileString(ini, kIniSection, c.key, c.value)) << c.key;
        const struct stat after = statOf(ini);
        const bool same = before.st_ino == after.st_ino && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
                          before.st_mtim.tv_nsec == after.st_mtim.tv_nsec;
        EXPECT_EQ(same, c.untouched) << c.key << "=" << c.value;
        EXPECT_EQ(readProfileString(ini, kIniSection, c.key), c.value);
        if (c.untouched) {
            EXPECT_EQ(readFile(ini), text);
        }
    }

    // The options dialog saving the values the file holds writes nothing.
    test::ScriptedPrompt prompt;
    SaveSettings(ini, defaultSettingsText("/opt/k"), true, prompt);
    const struct stat saved = statOf(ini);
    ::usleep(10000);
    Settings s;
    LoadSettings(ini, s, prompt);
    SaveSettings(ini, defaultSettingsText("/opt/k"), true, prompt);
    const struct stat again = statOf(ini);
    EXPECT_EQ(saved.st_ino, again.st_ino);
    EXPECT_EQ(saved.st_mtim.tv_nsec, again.st_mtim.tv_nsec);
    EXPECT_TRUE(prompt.notices.empty());
}

TEST(SettingsWrite, AChangedValueKeepsThePermissionsAndTheSymbolicLink) {
    test::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("home").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("kept").c_str(), 0755), 0);
    const std::string target = dir.file("kept/Kestrel.ini");
    const std::string link = dir.file("home/Kestrel.ini");
    struct {
        const char* what;
        bool viaLink;
        bool relativeLink;
        mode_t mode;
    } cases[] = {
        {"private file", false, false, 0600},
        {"group-writable file", false, false, 0664},
        {"absolute link", true, false, 0600},
        {"relative link", true, true, 0640},
    };
    for (const auto& c : cases) {
        ::unlink(link.c_str());
        ::unlink(target.c_str());
        const std::string& real = c.viaLink ? target : link;
        writeFile(real, "[Kestrel]\r\nmove1=5\r\n");
        ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
        if (c.viaLink) {
            ASSERT_EQ(::symlink(c.relativeLink ? "../kept/Kestrel.ini" : target.c_str(), link.c_str()), 0);
        }

        ASSERT_TRUE(writeProfileString(link, kIniSection, "move1", "7")) << c.what;
        EXPECT_EQ(readFile(real), "[Kestrel]\r\nmove1=7\r\n") << c.what;
        EXPECT_EQ(statOf(real).st_mode & 07777, c.mode) << c.what;
        struct stat l {};
        ASSERT_EQ(::lstat(link.c_str(), &l), 0);
        EXPECT_EQ(S_ISLNK(l.st_mode), c.viaLink) << c.what;
        // No temporary file stays beside the link or beside the file it points to.
        EXPECT_EQ(strayFiles(dir.file("home"), {"Kestrel.ini"}), std::vector<std::string>()) << c.what;
        EXPECT_EQ(strayFiles(dir.file("kept"),
                             c.viaLink ? std::vector<std::string>{"Kestrel.ini"} : std::vector<std::string>()),
                  std::vector<std::string>())
            << c.what;
    }

    // A link whose file does not exist yet: the file is made where the link points.
    ::unlink(link.c_str());
    ::unlink(target.c_str());
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(writeProfileString(link, kIniSection, "move1", "9"));
    EXPECT_EQ(readProfileString(target, kIniSection, "move1"), "9");

    // A stale temporary file of a finished process is found beside the file a link points to.
    writeFile(target + ".tmp999999999", "x");
    removeStaleTemporaries(link);
    EXPECT_FALSE(fileExists(target + ".tmp999999999"));
}
