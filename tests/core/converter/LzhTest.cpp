#include "core/converter/Lzh.h"

#include "core/app/Files.h"
#include "support/TestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <set>

using namespace kestrel;
using namespace kestrel::converter;
using kestrel::test::TempDir;

namespace {

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

// Copies an archive into dir/data (the archive beside the data, as a download leaves it).
std::string stage(const TempDir& dir, const std::string& source, const std::string& name) {
    EXPECT_TRUE(makeDir(dir.file("data")));
    std::string path = dir.file("data/" + name);
    kestrel::test::writeFile(path, kestrel::test::readFile(source));
    return path;
}

} // namespace

TEST(ConverterLzh, ExtractsDayArchiveWithStoredPathDropped) {
    TempDir dir;
    std::string archive = stage(dir, kestrel::test::testData("converter/20010504.lzh"), "20010504.LZH");
    std::string error;
    ASSERT_TRUE(ExtractArchive(archive, dir.file("data"), &error)) << error;
    // The member is stored as sub/20010504.csv; it lands directly in the folder.
    EXPECT_EQ(filesIn(dir.file("data")), (std::set<std::string>{"20010504.LZH", "20010504.csv"}));
    EXPECT_EQ(kestrel::test::readFile(dir.file("data/20010504.csv")),
              kestrel::test::readFile(kestrel::test::testData("converter/20010504.csv")));
}

TEST(ConverterLzh, HostileAndBrokenArchivesNeverEscapeAndInvalidOnesAreDeleted) {
    std::string lhasa = kestrel::test::sharedTestData("lzh/lhasa");
    if (lhasa.empty())
        GTEST_SKIP() << "shared LZH fixtures absent";
    struct Case {
        const char* file;
        bool valid;
        std::set<std::string> extracted;
    } cases[] = {
        {"regression/dotdot.lzh", true, {"evil1.txt", "evil2.txt"}},
        {"regression/abspath.lzh", true, {"absolute_path.txt"}},
        {"regression/truncated.lzh", false, {}},
        {"lha_unix114i/h2_subdir.lzh", true, {"hello.txt"}},
        {"lhmelt_16536/h2_subdir.lzh", true, {"hello.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        std::string source = lhasa + "/" + c.file;
        if (!fileExists(source))
            continue;
        std::string archive = stage(dir, source, "a.lzh");
        std::string error;
        EXPECT_EQ(ExtractArchive(archive, dir.file("data"), &error), c.valid) << error;
        std::set<std::string> expected = c.extracted;
        if (c.valid)
            expected.insert("a.lzh");
        EXPECT_EQ(filesIn(dir.file("data")), expected);
        // Nothing outside the data folder.
        EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"data"});
        if (!c.valid) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(ConverterLzh, ErrorPageIsDeletedAndCp932NamesAreRead) {
    TempDir dir;
    EXPECT_TRUE(makeDir(dir.file("data")));
    kestrel::test::writeFile(dir.file("data/20010507.lzh"), "<html><body>404 Not Found</body></html>");
    EXPECT_FALSE(ExtractArchive(dir.file("data/20010507.lzh"), dir.file("data")));
    EXPECT_TRUE(filesIn(dir.file("data")).empty());
    EXPECT_FALSE(ExtractArchive(dir.file("data/missing.lzh"), dir.file("data")));

    std::string archive = stage(dir, kestrel::test::testData("converter/kabudata.lzh"), "kabudata.lzh");
    std::string error;
    ASSERT_TRUE(ExtractArchive(archive, dir.file("data"), &error)) << error;
    EXPECT_TRUE(fileExists(dir.file("data/株式.mdb")));

    std::string cp932 = kestrel::test::sharedTestData("lzh/libarchive/filename_cp932.lzh");
    if (!cp932.empty() && fileExists(cp932)) {
        TempDir other;
        archive = stage(other, cp932, "j.lzh");
        ASSERT_TRUE(ExtractArchive(archive, other.file("data")));
        EXPECT_EQ(filesIn(other.file("data")), (std::set<std::string>{"j.lzh", "漢字.txt", "表.txt"}));
    }
}

TEST(ConverterLzh, PathsWithBlanksOrCommasAreQuoted) {
    EXPECT_EQ(cLZH::quotePath("/data/20010507.lzh"), "/data/20010507.lzh");
    EXPECT_EQ(cLZH::quotePath("/my data/x.lzh"), "\"/my data/x.lzh\"");
    EXPECT_EQ(cLZH::quotePath("/a,b/x.lzh"), "\"/a,b/x.lzh\"");
}
