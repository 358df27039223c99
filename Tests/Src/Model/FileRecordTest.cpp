#include <atomic>
#include <thread>

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include "Model/DuplicateFiles.h"
#include "Model/FileInfo.h"
#include "Model/FileType.h"
#include "TestSupport.h"

namespace {

FileInfoPtr record(const QByteArray& path)
{
    ResourceValues values;
    if (auto read = ResourceValues::read(path)) {
        values = *read;
    }
    return std::make_shared<FileInfo>(ResourceValueURL(path, values));
}

class FileRecordTest : public TempHomeTest {
protected:
    QByteArray bytes(const QString& relative, const QByteArray& contents)
    {
        return QFile::encodeName(writeFile(relative, contents));
    }
};

}  // namespace

TEST(FileTypeTest, ExtensionDecidesKindCaseInsensitively)
{
    EXPECT_EQ(fileTypeOfPath("/x/Clip.MOV"), FileType::video);
    EXPECT_EQ(fileTypeOfPath("/x/Song.Mp3"), FileType::audio);
    EXPECT_EQ(fileTypeOfPath("/x/a.JPG"), FileType::picture);
    EXPECT_EQ(fileTypeOfPath("/x/r.Pdf"), FileType::document);
    EXPECT_EQ(fileTypeOfPath("/x/Photo.heic"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/Image.webp"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/Notes"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/Archive.tar.gz"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/movie.tar.mkv"), FileType::video);
    EXPECT_EQ(fileTypeOfPath("/x/.mp3"), FileType::other);  // a hidden name, not an extension
    EXPECT_EQ(fileTypeOfPath("/x/a.mp3."), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/sub.mp3/"), FileType::audio);
    // Text lower-casing decides, also where a letter outside ASCII lower-cases
    // into it (the Kelvin sign into "k"), and bytes that are no text match nothing.
    EXPECT_EQ(fileTypeOfPath("/x/clip.M\xe2\x84\xaaV"), FileType::video);
    EXPECT_EQ(fileTypeOfPath("/x/clip.mk\xffv"), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/x/clip.audiocdaudiocd"), FileType::other);
    EXPECT_EQ(fileTypeOfName("AUDIOCD.AudioCD", 15), FileType::audio);
}

TEST(FileTypeTest, TablesHoldTheirEntriesInOrderAndNeverOverlap)
{
    EXPECT_EQ(VideoFormat::allRawValues().size(), 34);
    EXPECT_EQ(AudioFormat::allRawValues().size(), 27);
    EXPECT_EQ(PictureFormat::allRawValues().size(), 43);
    EXPECT_EQ(DocumentFormat::allRawValues().size(), 16);
    EXPECT_EQ(VideoFormat::allRawValues().first(), "3g");
    EXPECT_EQ(VideoFormat::allRawValues().last(), "bsf");
    EXPECT_EQ(AudioFormat::allRawValues().last(), "aac");
    EXPECT_EQ(PictureFormat::allRawValues().last(), "raw");
    EXPECT_EQ(DocumentFormat::allRawValues().last(), "wps");
    QStringList all = VideoFormat::allRawValues() + AudioFormat::allRawValues() + PictureFormat::allRawValues() +
                      DocumentFormat::allRawValues();
    const auto count = all.size();
    all.removeDuplicates();
    EXPECT_EQ(all.size(), count);
    EXPECT_FALSE(VideoFormat::init("MOV"));  // raw values match exactly
}

TEST_F(FileRecordTest, SizeIsReadOnceAndZeroForAVanishedFile)
{
    const QByteArray path = bytes("a.txt", "12345");
    auto info = record(path);
    EXPECT_EQ(info->size(), 5u);
    QFile::remove(QFile::decodeName(path));
    EXPECT_EQ(info->size(), 5u);  // cached

    const QByteArray gone = bytes("b.txt", "123");
    auto vanished = record(gone);
    QFile::remove(QFile::decodeName(gone));
    EXPECT_EQ(vanished->size(), 0u);
    vanished->setSize(42);
    EXPECT_EQ(vanished->size(), 42u);
}

TEST_F(FileRecordTest, FlagsAndDerivedValues)
{
    auto info = record(bytes("Dir/Report.Final.PDF", "x"));
    EXPECT_FALSE(info->selected());
    EXPECT_FALSE(info->deleted());
    EXPECT_FALSE(info->removeError().has_value());
    EXPECT_EQ(info->name(), "Report.Final.PDF");
    EXPECT_EQ(info->pathExtension(), "PDF");
    EXPECT_EQ(info->fileType(), FileType::document);
    EXPECT_TRUE(info->isLocal());
    EXPECT_EQ(info->url().toLocalFile(), info->displayPath());
    info->setRemoveError(Error::make("d", 1, "failed"));
    EXPECT_EQ(info->removeError()->code, 1);
}

TEST(FileRecordOrderTest, EqualityIsByPathBytesAndOrderIsCanonical)
{
    ResourceValues one;
    one.totalFileSize = 1;
    ResourceValues two;
    two.totalFileSize = 2;
    FileInfo a(ResourceValueURL("/x/a", one));
    FileInfo a2(ResourceValueURL("/x/a", two));
    EXPECT_TRUE(a == a2);
    EXPECT_TRUE(FileInfo(ResourceValueURL("/B", {})) < FileInfo(ResourceValueURL("/a", {})));

    // "é" composed and decomposed: two files, sorting side by side.
    const QByteArray composed = "/x/caf\xc3\xa9";
    const QByteArray decomposed = "/x/cafe\xcc\x81";
    const QByteArray after = "/x/cag";
    EXPECT_FALSE(FileInfo(ResourceValueURL(composed, {})) == FileInfo(ResourceValueURL(decomposed, {})));
    EXPECT_NE(pathLessThan(composed, decomposed), pathLessThan(decomposed, composed));
    EXPECT_TRUE(pathLessThan(composed, after));
    EXPECT_TRUE(pathLessThan(decomposed, after));
    EXPECT_TRUE(pathLessThan("/x/cafe", composed));

    // Names that are not UTF-8 still order deterministically and stay distinct.
    const QByteArray bad1 = "/x/\xff\x01";
    const QByteArray bad2 = "/x/\xfe\x01";
    EXPECT_NE(pathLessThan(bad1, bad2), pathLessThan(bad2, bad1));
    // Code points above U+FFFF come after U+FFFD in Unicode order.
    EXPECT_TRUE(pathLessThan("/x/\xef\xbf\xbd", "/x/\xf0\x9f\x98\x80"));
}

TEST_F(FileRecordTest, NonUtf8NameIsReadThroughItsBytes)
{
    const QByteArray path = QFile::encodeName(scratch()) + "/bad\xff\xfe.txt";
    FILE* f = fopen(path.constData(), "w");
    ASSERT_NE(f, nullptr);
    fputs("abc", f);
    fclose(f);
    auto info = record(path);
    EXPECT_EQ(info->size(), 3u);
    EXPECT_EQ(info->path(), path);
}

TEST_F(FileRecordTest, IconsAreCachedPerExtensionStringFromAnyThread)
{
    FileInfo::clearIconCacheForTesting();
    record(bytes("X.PNG", "1"))->icon();
    record(bytes("Y.png", "1"))->icon();
    EXPECT_EQ(FileInfo::cachedIconCount(), 2);
    const QIcon first = record(bytes("a.txt", "1"))->icon();
    const QIcon second = record(bytes("b.txt", "1"))->icon();
    EXPECT_EQ(FileInfo::cachedIconCount(), 3);
    EXPECT_EQ(first.cacheKey(), second.cacheKey());

    std::vector<std::thread> threads;
    std::atomic<int> done{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                FileInfo(ResourceValueURL(QByteArray("/none/f") + QByteArray::number(i) + ".e" + QByteArray::number(t), {}))
                    .icon();
            }
            ++done;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(done.load(), 4);
    EXPECT_EQ(FileInfo::cachedIconCount(), 3 + 4);
}

TEST_F(FileRecordTest, GroupCountsSelectionAndErrors)
{
    DuplicateFiles group;
    EXPECT_EQ(group.fileCount(), 0);
    EXPECT_EQ(group.totalSize(), 0u);
    EXPECT_EQ(group.selectState(), ControlState::off);
    auto a = record(bytes("a", "1234"));
    auto b = record(bytes("b", "1234"));
    group.setInfos({a, b});
    EXPECT_EQ(group.selectedCount(), 0);
    EXPECT_EQ(group.selectedSize(), 0u);
    b->setSelected(true);
    EXPECT_EQ(group.selectedCount(), 1);
    EXPECT_EQ(group.selectedSize(), 4u);
    a->setRemoveError(Error::make("d", 1, "x"));
    b->setRemoveError(Error::make("d", 2, "y"));
    EXPECT_EQ(group.errorCount(), group.fileCount());
}

TEST_F(FileRecordTest, ApplicationSizeCountsEverythingInsideWithoutFollowingLinks)
{
    writeFile("Tool.app/Contents/bin", QByteArray(100, 'a'));
    writeFile("Tool.app/.hidden", QByteArray(10, 'b'));
    writeFile("Tool.app/Contents/Resources/.deep/x", QByteArray(7, 'c'));
    writeFile("big", QByteArray(5000, 'd'));
    const QByteArray app = QFile::encodeName(scratch() + "/Tool.app");
    ASSERT_EQ(symlink("../../big", (app + "/Contents/link").constData()), 0);
    EXPECT_EQ(applicationSize(app), 100 + 10 + 7 + 9);  // the link counts its own 9 bytes
    EXPECT_EQ(applicationSize(app + "/missing.app"), 0);
}
