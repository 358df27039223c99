// What a removal clears before it moves files in: only what the program can
// prove it made, never the user's items that carry names of its form.
#include "Manager/RemoveOperation.h"

#include "Foundation/Trash.h"

#include "RemoveTestSupport.h"
#include "SpawnedProcess.h"

#include <QDateTime>

namespace {

class RemoveLeftoversTest : public RemoveTestBase,
                            public ::testing::WithParamInterface<bool> {
protected:
    bool toTrash() const { return GetParam(); }
    static QByteArray read(const QByteArray& path)
    {
        QFile f(QFile::decodeName(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_P(RemoveLeftoversTest, TheUsersItemsNamedLikeOursStayWhole)
{
    const QByteArray ended = QByteArray::number(endedProcessId());
    ASSERT_TRUE(Trash::createFolders());
    const QByteArray folder = toTrash() ? Trash::filesFolder() : QFile::encodeName(folderAt("dest"));
    const QByteArray file = folder + "/.twinsweep-move-" + ended + "-3-9af0";
    const QByteArray bundle = folder + "/.twinsweep-move-" + ended + "-4-1";
    ASSERT_TRUE(writeFileBytes(file, "a draft of mine"));
    ASSERT_TRUE(writeFileBytes(bundle + "/Contents/Info", "my bundle"));
    // In the Trash, a note of that form naming an information file whose
    // item is not there, while the item is still in its place.
    const QByteArray note = Trash::homeTrash() + "/.twinsweep-trashing-" + ended + "-5-a";
    const QByteArray letter = QFile::encodeName(writeFile("docs/letter.txt", "dear"));
    const QByteArray info = Trash::infoFolder() + "/letter.txt.trashinfo";
    const QByteArray infoText = Trash::trashInfo(letter, QDateTime::currentDateTime());
    ASSERT_TRUE(writeFileBytes(note, "letter.txt"));
    ASSERT_TRUE(writeFileBytes(info, infoText));
    const auto before = treeSnapshot(QFile::decodeName(Trash::homeTrash()));

    RemoveOperation::clearLeftovers(folder);

    EXPECT_EQ(read(file), "a draft of mine");
    EXPECT_EQ(read(bundle + "/Contents/Info"), "my bundle");
    EXPECT_EQ(read(note), "letter.txt");
    EXPECT_EQ(read(info), infoText);
    EXPECT_EQ(treeSnapshot(QFile::decodeName(Trash::homeTrash())), before);
}

INSTANTIATE_TEST_SUITE_P(FolderOrTrash, RemoveLeftoversTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Trash" : "Folder");
                         });

}  // namespace
