// Moving an item aside within its folder and back, opening to check an
// item, and counting a file's names.
#include "Foundation/FileManager.h"
#include "Foundation/ResourceValues.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileManagerAsideTest : public ::testing::Test {
protected:
    QByteArray path(const QString& name) const { return QFile::encodeName(dir_.path() + "/" + name); }
    QByteArray make(const QString& name, const QByteArray& contents)
    {
        EXPECT_TRUE(writeFileBytes(path(name), contents));
        return path(name);
    }
    static ItemIdentity identityOf(const QByteArray& p)
    {
        const auto values = ResourceValues::read(p);
        EXPECT_TRUE(values.has_value());
        return values ? values->identity() : ItemIdentity{};
    }
    QStringList names() const
    {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    static QByteArray asideName() { return FileManager::temporaryName(FileManager::asidePrefix); }

    QTemporaryDir dir_;
    FileManager& fm = FileManager::default_();
};

TEST_F(FileManagerAsideTest, AnItemGoesAsideInItsFolderAndComesBackWhole)
{
    const QByteArray file = make("photo.jpg", "the photo");
    const ItemIdentity was = identityOf(file);
    const QByteArray name = asideName();

    const auto aside = fm.moveAside(file, was, name);
    ASSERT_TRUE(aside.has_value());
    EXPECT_EQ(names(), QStringList{QString::fromLatin1(name)});
    EXPECT_EQ(aside->name, "photo.jpg");

    // The folder is held: it may move meanwhile.
    QTemporaryDir elsewhere;
    const QString moved = elsewhere.path() + "/moved";
    ASSERT_TRUE(QDir().rename(dir_.path(), moved));
    const auto back = fm.putBack(*aside);
    ASSERT_TRUE(QDir().rename(moved, dir_.path()));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(names(), QStringList{"photo.jpg"});
    EXPECT_EQ(back->device, was.device);
    EXPECT_EQ(back->inode, was.inode);
    EXPECT_EQ(back->size, was.size);
    EXPECT_EQ(back->modificationTimeNs, was.modificationTimeNs);
    EXPECT_TRUE(fm.isItem(file, *back).value_or(false));
    QFile f(QFile::decodeName(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "the photo");
}

TEST_F(FileManagerAsideTest, NothingGoesAsideOrComesBackOverAnythingElse)
{
    const QByteArray file = make("a.txt", "one");
    const ItemIdentity was = identityOf(file);
    // Not the item expected, or not a name of ours: it stays.
    ItemIdentity other = was;
    other.size += 1;
    Error error;
    EXPECT_FALSE(fm.moveAside(file, other, asideName(), &error));
    EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
    EXPECT_FALSE(fm.moveAside(file, was, "plain-name"));
    EXPECT_FALSE(fm.moveAside(path("missing"), was, asideName()));
    EXPECT_EQ(names(), QStringList{"a.txt"});

    // A name taken while it was aside is never replaced; it waits aside.
    const auto aside = fm.moveAside(file, was, asideName());
    ASSERT_TRUE(aside.has_value());
    make("a.txt", "new one");
    EXPECT_FALSE(fm.putBack(*aside, &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(names().size(), 2);
    ASSERT_TRUE(QFile::remove(QFile::decodeName(file)));
    EXPECT_TRUE(fm.putBack(*aside));

    // What stands under the name aside by then must still be that file.
    const auto again = fm.moveAside(file, identityOf(file), asideName());
    ASSERT_TRUE(again.has_value());
    make(QString::fromLatin1(again->asideName), "other bytes");
    EXPECT_FALSE(fm.putBack(*again));
    EXPECT_FALSE(QFile::exists(QFile::decodeName(file)));
}

TEST_F(FileManagerAsideTest, OpeningTellsWhetherThePathStillReachesTheItem)
{
    const QByteArray file = make("k.bin", "kept");
    const ItemIdentity kept = identityOf(file);
    EXPECT_EQ(fm.opensAs(file, kept), std::optional<bool>(true));
    ItemIdentity changed = kept;
    changed.modificationTimeNs += 1;
    EXPECT_EQ(fm.opensAs(file, changed), std::optional<bool>(false));
    EXPECT_EQ(fm.opensAs(path("gone"), kept), std::nullopt);
    // A link is not followed, even to the item itself.
    ASSERT_EQ(::symlink(file.constData(), path("link").constData()), 0);
    EXPECT_EQ(fm.opensAs(path("link"), kept), std::optional<bool>(false));
    // A folder (an application bundle) opens as well.
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/X.app"));
    EXPECT_EQ(fm.opensAs(path("X.app"), identityOf(path("X.app"))), std::optional<bool>(true));
}

TEST_F(FileManagerAsideTest, LinkCountIsTheNamesOfAFile)
{
    const QByteArray file = make("f", "bytes");
    EXPECT_EQ(fm.linkCount(file), std::optional<uint64_t>(1));
    ASSERT_EQ(::link(file.constData(), path("g").constData()), 0);
    EXPECT_EQ(fm.linkCount(file), std::optional<uint64_t>(2));
    // A folder's count says nothing of other names; a link is not followed.
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/d/e"));
    EXPECT_EQ(fm.linkCount(path("d")), std::optional<uint64_t>(1));
    ASSERT_EQ(::symlink(file.constData(), path("l").constData()), 0);
    EXPECT_EQ(fm.linkCount(path("l")), std::optional<uint64_t>(1));
    EXPECT_EQ(fm.linkCount(path("none")), std::nullopt);
}

}  // namespace
