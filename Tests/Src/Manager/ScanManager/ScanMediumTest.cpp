// Files on every kind of volume are read and grouped: a memory file system,
// which has no disk behind it and refuses to be asked not to wait, and a
// disk file system read by the rule of spinning disks.

#include <sys/mount.h>

#include "ScanFixture.h"

namespace {

// A tmpfs mounted at a folder of the caller's (a scan root must lie in the
// home), for as long as the object lives; needs root.
class MemoryMount {
public:
    explicit MemoryMount(const QString& folder) : folder_(QFile::encodeName(folder))
    {
        mounted_ = runningAsRoot() && QDir().mkpath(folder) &&
                   ::mount("tmpfs", folder_.constData(), "tmpfs", 0, "size=16m,mode=0755") == 0;
    }
    ~MemoryMount()
    {
        if (mounted_) {
            ::umount2(folder_.constData(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }
    QString path() const { return QFile::decodeName(folder_); }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

class ScanMediumTest : public ScanFixture {
protected:
    void TearDown() override
    {
        setReadPlanForTesting({});
        engine().setSolidStateForTesting(std::nullopt);
        ScanFixture::TearDown();
    }

    // Two copies, a file of their size with other content, and a pair of
    // large copies (many pieces).
    static void writeTree(const QString& root)
    {
        ASSERT_TRUE(writeFileBytes(QFile::encodeName(root + "/a/copy"), QByteArray(5000, 'c')));
        ASSERT_TRUE(writeFileBytes(QFile::encodeName(root + "/b/copy"), QByteArray(5000, 'c')));
        ASSERT_TRUE(writeFileBytes(QFile::encodeName(root + "/b/other"), QByteArray(5000, 'o')));
        QByteArray large(3 << 20, 'L');
        large[1 << 20] = 'm';
        ASSERT_TRUE(writeFileBytes(QFile::encodeName(root + "/large/one"), large));
        ASSERT_TRUE(writeFileBytes(QFile::encodeName(root + "/large/two"), large));
    }

    std::vector<QStringList> groupsBelow(const QString& root) const
    {
        std::vector<QStringList> out;
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            QStringList paths;
            for (const FileInfoPtr& info : group->infos()) {
                paths << info->displayPath().mid(root.size() + 1);
            }
            out.push_back(paths);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    const std::vector<QStringList> expected{{"a/copy", "b/copy"}, {"large/one", "large/two"}};
};

}  // namespace

// A memory file system has no disk, so nothing ever waits for one there: it
// is read as a solid-state disk is, and a read that cannot be asked not to
// wait is made plainly, whichever rule reads it.
TEST_F(ScanMediumTest, CopiesOnAMemoryFileSystemAreFound)
{
    MemoryMount memory(scratch() + "/memory");
    if (!memory.mounted()) {
        GTEST_SKIP() << "no tmpfs could be mounted here";
    }
    writeTree(memory.path());
    settings({});

    // As the disks are found: the volume is taken for what it is.
    std::atomic<int> residencyAsked{0};
    ReadPlanForTesting plan;
    plan.resident = [&](const QByteArray&) {
        ++residencyAsked;
        return true;
    };
    setReadPlanForTesting(plan);
    scan({memory.path()});
    EXPECT_EQ(groupsBelow(memory.path()), expected);
    EXPECT_EQ(residencyAsked.load(), 0) << "read by the rule of spinning disks";
    expectConsistentResults();

    // Read plainly (no plan), twice: the second scan finds its pages warm.
    setReadPlanForTesting({});
    for (int round = 0; round < 2; ++round) {
        delegate.events.clear();
        scan({memory.path()});
        EXPECT_EQ(groupsBelow(memory.path()), expected) << round;
    }

    // Even taken for a spinning disk, whose reads are asked not to wait.
    engine().setSolidStateForTesting(false);
    delegate.events.clear();
    scan({memory.path()});
    EXPECT_EQ(groupsBelow(memory.path()), expected);
    expectConsistentResults();
}

// A disk file system keeps its rules: the same tree read by the spinning
// disks' rule (reads asked not to wait, which it answers) and by the
// solid-state one gives the same groups.
TEST_F(ScanMediumTest, CopiesOnADiskFileSystemAreFoundByEitherRule)
{
    writeTree(scratch());
    settings({});
    for (const bool solid : {false, true}) {
        engine().setSolidStateForTesting(solid);
        delegate.events.clear();
        scan({scratch()});
        EXPECT_EQ(groupsBelow(scratch()), expected) << solid;
        expectConsistentResults();
    }
}
