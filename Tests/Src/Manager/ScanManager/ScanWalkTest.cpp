#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "ScanFixture.h"

namespace {

class ScanWalkTest : public ScanFixture {
protected:
    // Walks with the settings file as it stands.
    ScanManager::SizeMap walk(const QStringList& roots)
    {
        engine().setScanSetupObj(std::make_shared<PerferenceInfo>());
        QByteArrayList paths;
        for (const QString& root : roots) {
            paths << QFile::encodeName(root);
        }
        return engine().filterSameSize(paths);
    }
    QStringList recorded(const ScanManager::SizeMap& map) const
    {
        QStringList out;
        for (const auto& [size, records] : map) {
            for (const auto& record : records) {
                out << record.displayPath().mid(scratch().size() + 1) + "=" + QString::number(size);
            }
        }
        out.sort();
        return out;
    }
};

}  // namespace

TEST(ScanRootsTest, SystemFoldersAndOtherUsersAreDropped)
{
    const QByteArray home = "/home/ann";
    const QByteArrayList given{"/",           "/System/Library", "/Applications/Utilities", "/Library/Caches",
                            "/Systematic", "/Library2",       "/home/ann/Music",         "/home/bob",
                            "/home",       "/home/",          "/data//x/./y/../",        ""};
    const QList<QByteArray> roots = ScanManager::scanRoots(given, home);
    EXPECT_EQ(roots, QList<QByteArray>({"/", "/home/ann/Music", "/home", "/home", "/data/x"}));
    // Whole components decide what is the users folder and what the home:
    // their siblings whose names merely begin the same are neither.
    EXPECT_EQ(ScanManager::scanRoots({"/home2/photos", "/home/ann2", "/home/ann2/x", "/home/ann", "/home/annex/../ann/a",
                                      "/homework"},
                                     home),
              QList<QByteArray>({"/home2/photos", "/home/ann", "/home/ann/a", "/homework"}));
    // A home right below "/" has no users folder to guard.
    EXPECT_EQ(ScanManager::scanRoots({"/srv/a"}, "/root"), QList<QByteArray>({"/srv/a"}));
    // A relative root is taken against the current folder.
    const QByteArray current = QFile::encodeName(QDir::currentPath());
    EXPECT_EQ(ScanManager::scanRoots({"x/./y"}, "/root"), QList<QByteArray>({FilePath::normalized(current + "/x/y")}));
}

TEST(SkippedExtensionTest, NamesAreTestedByTheirLowerCasedExtension)
{
    const auto skipped = [](const char* name) {
        return ScanManager::IgnoresPathExtention::matchesName(name, std::strlen(name));
    };
    EXPECT_TRUE(skipped("notes.JSON"));
    EXPECT_TRUE(skipped("main.c"));
    EXPECT_TRUE(skipped("X.Framework"));
    EXPECT_FALSE(skipped("a.Json.bak"));
    EXPECT_FALSE(skipped(".json"));
    EXPECT_FALSE(skipped("json"));
    EXPECT_FALSE(skipped("a.frameworks"));
    // A Kelvin sign lower-cases into "k", as text lower-casing gives it.
    EXPECT_TRUE(skipped("X.FRAMEWOR\xe2\x84\xaa"));
    EXPECT_FALSE(skipped("X.framewor\xff"));
}

TEST_F(ScanWalkTest, DefaultSettingsLeaveHiddenEmptyAndSkippedItemsOut)
{
    writeFile("keep.txt", "12345");
    writeFile(".hidden.txt", "0123456789");
    writeFile("empty.txt", "");
    writeFile("notes.JSON", "{}");
    writeFile("a.Json.bak", "{}");
    writeFile("X.framework/inside.txt", "abc");
    writeFile(".git/objects/o", "abc");
    writeFile(".cache.json/inner.txt", "abcd");  // a skipped extension wins over hiding
    ASSERT_EQ(symlink("keep.txt", bytesOf("link").constData()), 0);
    settings({});
    EXPECT_EQ(recorded(walk({scratch()})),
              QStringList({".cache.json/inner.txt=4", "X.framework/inside.txt=3", "a.Json.bak=2", "keep.txt=5"}));
}

TEST_F(ScanWalkTest, LinksAndSpecialFilesAreRecordedAtSizeZeroOnlyWhenAllowed)
{
    writeFile("file.txt", "12345");
    ASSERT_EQ(symlink("file.txt", bytesOf("link").constData()), 0);
    ASSERT_EQ(mkfifo(bytesOf("fifo").constData(), 0600), 0);
    includeEverything();
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"fifo=0", "file.txt=5", "link=0"}));
}

TEST_F(ScanWalkTest, SizeLimitsAndKinds)
{
    writeFile("exact.bin", QByteArray(5000000, 'a'));
    writeFile("over.bin", QByteArray(5000001, 'a'));
    writeFile("small.bin", QByteArray(10, 'a'));
    writeFile("clip.mov", QByteArray(2000, 'a'));
    settings({{"maxSelect", true}, {"maxFileSize", "5"}, {"maxSizeType", "MB"},
              {"minSelect", true}, {"minFileSize", "1"}, {"minSizeType", "KB"}, {"video", false}});
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"exact.bin=5000000"}));
    // A limit switched on but empty limits nothing.
    settings({{"maxSelect", true}, {"maxFileSize", ""}});
    EXPECT_EQ(recorded(walk({scratch()})).size(), 4);
}

TEST_F(ScanWalkTest, WhiteListCoversRootsFoldersAndFiles)
{
    writeFile("a/keep.txt", "1");
    writeFile("a/skip/inner.txt", "2");
    writeFile("a/skipfile.txt", "3");
    writeFile("b/c/x.txt", "4");
    settings({{"whiteListPath", QVariantList{scratch() + "/a/skip", scratch() + "/a/skipfile.txt", scratch() + "/b"}}});
    EXPECT_EQ(recorded(walk({scratch() + "/a", scratch() + "/b/c"})), QStringList({"a/keep.txt=1"}));
}

TEST_F(ScanWalkTest, OneRecordPerFileAcrossLinksAndRoots)
{
    writeFile("d/one.txt", "abc");
    writeFile("d/sub/two.txt", "abcd");
    ASSERT_EQ(link(bytesOf("d/one.txt").constData(), bytesOf("d/hard.txt").constData()), 0);
    ASSERT_EQ(symlink("..", bytesOf("d/sub/loop").constData()), 0);
    ASSERT_EQ(symlink(bytesOf("d").constData(), bytesOf("viaLink").constData()), 0);
    settings({});
    const auto map = walk({scratch() + "/d", scratch() + "/d/sub", scratch() + "/d/", scratch() + "//d/sub/..",
                           scratch() + "/viaLink"});
    const QStringList files = recorded(map);
    EXPECT_EQ(files.size(), 2) << files.join(",").toStdString();
    EXPECT_TRUE(files.contains("d/sub/two.txt=4"));
}

TEST_F(ScanWalkTest, ApplicationBundlesAreOneItemSizedByTheirContents)
{
    writeFile("Tool.app/Contents/MacOS/tool", QByteArray(300, 'x'));
    writeFile("Tool.app/.hidden", QByteArray(20, 'y'));
    writeFile("Tool.app/Contents/Info.plist", QByteArray(5, 'z'));  // skipped extension inside: still counted
    settings({});
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"Tool.app=325"}));
}

TEST_F(ScanWalkTest, PseudoFileSystemsAreNotEntered)
{
    if (!QFileInfo::exists("/proc/self")) {
        GTEST_SKIP();
    }
    settings({});
    EXPECT_TRUE(walk({"/proc"}).empty());
}
