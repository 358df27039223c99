// How the duplicate engine reads: the edge comparison before the whole
// content, the queue each group goes to on a spinning disk, and results that
// stay those of the definition (equal size and equal MD5 of the whole
// content) whatever way the files are read.

#include <atomic>
#include <map>
#include <random>
#include <set>
#include <thread>

#include <QCryptographicHash>
#include <QDirIterator>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Md5/Md5.h"
#include "ScanFixture.h"

namespace {

// Groups as one readable text, for comparisons that print well.
std::string text(const std::vector<QStringList>& groups)
{
    QStringList out;
    for (const QStringList& group : groups) {
        out << "[" + group.join(", ") + "]";
    }
    return out.join("\n").toStdString();
}

// How the groups are read in one run of a test.
enum class Medium { solid, spinningInMemory, spinningCold };

class ScanReadingTest : public ScanFixture {
protected:
    void TearDown() override
    {
        Md5Lanes::forceKernel(std::nullopt);
        setReadPlanForTesting({});
        engine().setSolidStateForTesting(std::nullopt);
        ScanFixture::TearDown();
    }

    void useMedium(Medium medium)
    {
        engine().setSolidStateForTesting(medium == Medium::solid);
        ReadPlanForTesting plan;
        if (medium == Medium::spinningCold) {
            plan.resident = [](const QByteArray&) { return false; };
        } else if (medium == Medium::spinningInMemory) {
            plan.resident = [](const QByteArray&) { return true; };
        }
        setReadPlanForTesting(plan);
    }

    void writeBytes(const QString& relative, const QByteArray& bytes) { writeFile(relative, bytes); }

    // Pairs of every size from 1 to `smallPairs` bytes below "s/", and
    // `heavyPairs` pairs of about 3 MB below "h/", each pair of its own content.
    void writePairs(int smallPairs, int heavyPairs)
    {
        for (int i = 1; i <= smallPairs; ++i) {
            const QByteArray body(i, char('a' + i % 26));
            writeFile(QString("s/%1a").arg(i), body);
            writeFile(QString("s/%1b").arg(i), body);
        }
        for (int i = 0; i < heavyPairs; ++i) {
            const QByteArray body(3000000 + i, char('A' + i));
            writeFile(QString("h/%1a").arg(i), body);
            writeFile(QString("h/%1b").arg(i), body);
        }
    }

    // Every group filed is one of the tree's pairs, and unless the groups
    // were all read cold (those are filed in the order of the disk) they
    // stand in size order.
    static void expectTruePairs(bool inSizeOrder = true)
    {
        int64_t last = -1;
        for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
            ASSERT_EQ(group->fileCount(), 2);
            const QByteArray a = group->infos()[0]->path();
            const QByteArray b = group->infos()[1]->path();
            EXPECT_EQ(a.chopped(1), b.chopped(1));
            const int64_t size = int64_t(group->infos()[0]->size());
            if (inSizeOrder) {
                EXPECT_GT(size, last);
            }
            last = size;
        }
    }

    // The definition, computed apart from the engine: below scratch(),
    // outside hidden folders, non-empty regular files of equal size and equal
    // MD5 of their whole content, one name per file, sorted by path.
    std::vector<QStringList> expectedGroups() const
    {
        std::map<std::pair<qint64, QByteArray>, QStringList> byContent;
        std::vector<QString> paths;
        QDirIterator it(scratch(), QDir::Files | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            paths.push_back(it.next());
        }
        std::sort(paths.begin(), paths.end());
        for (const QString& path : paths) {
            const QString relative = path.mid(scratch().size() + 1);
            if (relative.startsWith('.') || relative.contains("/.")) {
                continue;
            }
            struct stat st {};
            if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            QCryptographicHash hash(QCryptographicHash::Md5);
            hash.addData(&file);
            byContent[{st.st_size, hash.result()}] << relative;
        }
        std::vector<QStringList> out;
        for (auto& [key, members] : byContent) {
            if (members.size() >= 2) {
                std::sort(members.begin(), members.end(), [this](const QString& a, const QString& b) {
                    return pathLessThan(bytesOf(a), bytesOf(b));
                });
                out.push_back(members);
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    int distinctSizes() const
    {
        std::set<qint64> sizes;
        QDirIterator it(scratch(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(scratch().size() + 1);
            if (!relative.startsWith('.') && !relative.contains("/.") && it.fileInfo().size() > 0 &&
                !it.fileInfo().isSymLink()) {
                sizes.insert(it.fileInfo().size());
            }
        }
        return static_cast<int>(sizes.size());
    }

    // A tree of pairs and traps: equal files, files equal but for their
    // first, last or middle byte, files equal in both edges only, sparse
    // files, and sizes on either side of the edges' reach. (Which name of a
    // hard-linked file is kept follows the listing order: other tests.)
    void generate(unsigned seed)
    {
        std::mt19937 rng(seed);
        const auto randomBytes = [&](qsizetype n) {
            QByteArray out(n, '\0');
            for (char& c : out) {
                c = static_cast<char>(rng());
            }
            return out;
        };
        const qsizetype sizes[] = {1, 7, 100, 4095, 4096, 4097, 8191, 8192, 8193, 12288, 70000, 1048577};
        int n = 0;
        for (qsizetype size : sizes) {
            const QByteArray base = randomBytes(size);
            const QString folder = QString("s%1/").arg(size);
            writeBytes(folder + QString("a/copy%1.bin").arg(n), base);
            writeBytes(folder + QString("b/copy%1.txt").arg(n), base);
            if (rng() % 2) {
                writeBytes(folder + QString("c/copy%1.jpg").arg(n), base);
            }
            QByteArray first = base;
            first[0] = static_cast<char>(first[0] ^ 1);
            writeBytes(folder + QString("d/first%1").arg(n), first);
            QByteArray last = base;
            last[size - 1] = static_cast<char>(last[size - 1] ^ 1);
            writeBytes(folder + QString("d/last%1").arg(n), last);
            QByteArray middle = base;
            middle[size / 2] = static_cast<char>(middle[size / 2] ^ 1);
            writeBytes(folder + QString("e/middle%1").arg(n), middle);
            writeBytes(folder + QString("e/middleToo%1").arg(n), middle);
            writeBytes(folder + QString("f/alone%1").arg(n), randomBytes(size));
            ++n;
        }
        // Sparse files: equal holes, one with a byte in the middle of its hole.
        for (const char* name : {"sparse/one", "sparse/two", "sparse/odd"}) {
            writeBytes(name, "head");
            ASSERT_EQ(::truncate(bytesOf(name).constData(), 3 * 1048576 + 5), 0);
        }
        {
            const int fd = ::open(bytesOf("sparse/odd").constData(), O_WRONLY);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, "x", 1, 1048576), 1);
            ::close(fd);
        }
        writeBytes(".hidden/copy.bin", "hidden pair");
        writeBytes("visible/copy.bin", "hidden pair");
    }
};

}  // namespace

// Whatever the medium and however the groups are read, the groups, their
// order, the totals and the progress are those of the definition.
TEST_F(ScanReadingTest, ResultsAreThoseOfTheDefinitionOnEveryMedium)
{
    settings({{"hiddenFile", false}});
    for (unsigned seed : {1u, 2u, 3u}) {
        QDir(scratch()).removeRecursively();
        generate(seed);
        const std::vector<QStringList> expected = expectedGroups();
        ASSERT_FALSE(expected.empty());
        for (Medium medium : {Medium::solid, Medium::spinningInMemory, Medium::spinningCold}) {
            useMedium(medium);
            delegate.events.clear();
            delegate.progress.clear();
            delegate.paths.clear();
            scan({scratch()});
            EXPECT_EQ(text(groups()), text(expected)) << "seed " << seed << " medium " << int(medium);
            const ScanManager::Results r = engine().results();
            int files = 0;
            uint64_t bytes = 0;
            for (const QStringList& group : expected) {
                files += group.size();
                bytes += uint64_t(QFileInfo(scratch() + "/" + group.first()).size()) * uint64_t(group.size());
            }
            EXPECT_EQ(r.totalFilesCount, files);
            EXPECT_EQ(r.totalFilesSize, bytes);
            // A report for each size at least (a size read slowly also
            // reports on its way), rising to 1.
            const auto progress = delegate.progressList();
            EXPECT_GE(int(progress.size()), distinctSizes());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_DOUBLE_EQ(progress.back(), 1.0);
            EXPECT_EQ(delegate.count("finished"), 1);
        }
    }
}

// Groups read several at once still reach the results smallest size first,
// also when the smallest is the last to finish: the lists read the same on
// every run.
TEST_F(ScanReadingTest, GroupsAreFiledBySizeWhicheverFinishesFirst)
{
    settings({});
    const QStringList bodies{"one", "second body", "the third body here", "and the fourth body, longest"};
    for (const QString& body : bodies) {
        writeBytes(QString("g%1/a").arg(body.size()), body.toUtf8());
        writeBytes(QString("g%1/b").arg(body.size()), body.toUtf8());
    }
    const QByteArray held = bytesOf("g3/a");
    for (Medium medium : {Medium::solid, Medium::spinningInMemory}) {
        useMedium(medium);
        delegate.events.clear();
        delegate.progress.clear();
        // The smallest group waits until the three others have ended.
        setMd5ReadFailureForTesting([&](const QByteArray& path) {
            if (path == held) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (delegate.progressList().size() < 3 && std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::yield();
                }
            }
            return false;
        });
        scan({scratch()});
        EXPECT_EQ(delegate.progressList().size(), 4u);
        QList<int64_t> sizes;
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            sizes << int64_t(group->infos().first()->size());
        }
        EXPECT_EQ(sizes, (QList<int64_t>{3, 11, 19, 28})) << int(medium);
    }
}

// Only a file whose size and both edges match another's is read whole.
TEST_F(ScanReadingTest, FilesWhoseEdgesMatchNoOtherAreNeverReadWhole)
{
    settings({});
    const QByteArray base(20000, 'e');
    QByteArray first = base;
    first[0] = 'f';
    QByteArray last = base;
    last[19999] = 'l';
    QByteArray middle = base;
    middle[10000] = 'm';
    writeBytes("base", base);
    writeBytes("first", first);
    writeBytes("last", last);
    writeBytes("middle", middle);
    writeBytes("small1", "tiny");
    writeBytes("small2", "tinY");
    std::mutex mutex;
    QStringList whole;
    ReadPlanForTesting plan;
    plan.wholeReading = [&](const QByteArray& path) {
        std::lock_guard lock(mutex);
        whole << QFile::decodeName(path).mid(scratch().size() + 1);
    };
    for (bool solid : {true, false}) {
        engine().setSolidStateForTesting(solid);
        setReadPlanForTesting(plan);
        whole.clear();
        delegate.events.clear();
        delegate.paths.clear();
        scan({scratch()});
        whole.sort();
        // Equal edges, a different middle: both are read whole, and differ.
        EXPECT_EQ(whole, QStringList({"base", "middle"}));
        EXPECT_TRUE(engine().totalFiles().isEmpty());
        // Every file of a shared size is still told before it is read.
        EXPECT_EQ(delegate.pathList().size(), 6u);
    }
}

// A file that changes between the walk and its reading is in no group; one
// read before the change keeps the content it was read with.
TEST_F(ScanReadingTest, FilesThatChangeSizeBeforeTheirReadingAreInNoGroup)
{
    settings({});
    for (const char* name : {"small/a", "small/b", "small/c"}) {
        writeBytes(name, "small same");
    }
    const QByteArray big(50000, 'b');
    for (const char* name : {"big/a", "big/b", "big/c"}) {
        writeBytes(name, big);
    }
    const QByteArray grow1 = bytesOf("small/b");
    const QByteArray grow2 = bytesOf("big/c");
    for (Medium medium : {Medium::solid, Medium::spinningInMemory, Medium::spinningCold}) {
        writeBytes("small/b", "small same");
        writeBytes("big/c", big);
        useMedium(medium);
        setMd5ReadFailureForTesting([&](const QByteArray& path) {
            if (path == grow1 || path == grow2) {
                QFile file(QFile::decodeName(path));
                file.open(QIODevice::Append);
                file.write("more");
            }
            return false;
        });
        delegate.events.clear();
        scan({scratch()});
        EXPECT_EQ(groups(), std::vector<QStringList>({{"big/a", "big/b"}, {"small/a", "small/c"}}))
            << int(medium);
    }
}

// Many equal files: more than one operation keeps open, more small ones than
// it keeps in memory; each set one group in path order.
TEST_F(ScanReadingTest, FiveThousandEqualFilesMakeOneGroupInPathOrder)
{
    settings({});
    const QByteArray body(9000, 'q');
    for (int i = 0; i < 5000; ++i) {
        writeBytes(QString("many/%1/f%2").arg(i % 7).arg(i), body);
    }
    const QByteArray tiny(100, 't');
    for (int i = 0; i < 3000; ++i) {
        writeBytes(QString("tiny/%1/f%2").arg(i % 5).arg(i), tiny);
    }
    for (Medium medium : {Medium::solid, Medium::spinningCold}) {
        useMedium(medium);
        delegate.events.clear();
        scan({scratch()});
        DuplicateFilesList found = engine().totalFiles();
        ASSERT_EQ(found.size(), 2);
        std::sort(found.begin(), found.end(),
                  [](const DuplicateFilesPtr& a, const DuplicateFilesPtr& b) { return a->fileCount() > b->fileCount(); });
        EXPECT_EQ(found[1]->fileCount(), 3000);
        EXPECT_EQ(found[1]->totalSize(), 3000u * 100u);
        EXPECT_EQ(found[0]->fileCount(), 5000);
        EXPECT_EQ(found[0]->totalSize(), 5000u * 9000u);
        const QList<FileInfoPtr>& infos = found[0]->infos();
        EXPECT_TRUE(std::is_sorted(infos.begin(), infos.end(),
                                   [](const FileInfoPtr& a, const FileInfoPtr& b) { return *a < *b; }));
        // The record of each file is the walk's: device, inode, size, time.
        struct stat st {};
        ASSERT_EQ(::lstat(infos[17]->path().constData(), &st), 0);
        const ResourceValues& values = infos[17]->resourceValue().resourceValues;
        EXPECT_EQ(values.device, st.st_dev);
        EXPECT_EQ(values.inode, st.st_ino);
        EXPECT_EQ(values.modificationTimeNs, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
        EXPECT_EQ(infos[17]->size(), 9000u);
        EXPECT_TRUE(values.isRegularFile);
    }
}

// On a spinning disk, groups in memory are read several at once; the others
// one at a time, in the order of their place on the disk, each file too.
TEST_F(ScanReadingTest, SpinningDisksReadColdGroupsOneAtATimeInDiskOrder)
{
    settings({});
    writeBytes("warm/a", "warm same");
    writeBytes("warm/b", "warm same");
    writeBytes("cold1/a", "cold one same");
    writeBytes("cold1/b", "cold one same");
    writeBytes("cold2/a", "cold two, same");
    writeBytes("cold2/b", "cold two, same");
    // Edges in memory, middle not: only the whole reading waits.
    const QByteArray big(30000, 'm');
    writeBytes("middle/a", big);
    writeBytes("middle/b", big);
    // Disk places: cold2 lies before cold1, and within each group b before a.
    const std::map<QString, uint64_t> blocks{{"cold1/a", 900}, {"cold1/b", 800}, {"cold2/a", 300},
                                             {"cold2/b", 200}, {"middle/a", 50},  {"middle/b", 60}};
    std::mutex mutex;
    std::vector<std::pair<bool, QStringList>> readings;
    std::atomic<int> middleAsked{0};
    ReadPlanForTesting plan;
    const auto relative = [this](const QByteArray& path) { return QFile::decodeName(path).mid(scratch().size() + 1); };
    plan.resident = [&](const QByteArray& path) {
        const QString name = relative(path);
        if (name.startsWith("middle/")) {
            // The edges are asked first, then the whole.
            return ++middleAsked <= 2;
        }
        return name.startsWith("warm/");
    };
    plan.firstBlock = [&](const QByteArray& path) { return blocks.at(relative(path)); };
    plan.reading = [&](bool parallel, const QList<QByteArray>& paths) {
        QStringList names;
        for (const QByteArray& path : paths) {
            names << relative(path);
        }
        std::lock_guard lock(mutex);
        readings.push_back({parallel, names});
    };
    engine().setSolidStateForTesting(false);
    setReadPlanForTesting(plan);
    scan({scratch()});
    EXPECT_EQ(groups().size(), 4u);

    std::vector<std::pair<bool, QStringList>> serial;
    QStringList parallel;
    for (const auto& [inParallel, names] : readings) {
        if (inParallel) {
            parallel << names;
        } else {
            serial.push_back({inParallel, names});
        }
    }
    parallel.sort();
    EXPECT_EQ(parallel, QStringList({"middle/a", "middle/b", "warm/a", "warm/b"}));
    ASSERT_EQ(serial.size(), 3u);
    EXPECT_EQ(serial[0].second, QStringList({"middle/a", "middle/b"}));
    EXPECT_EQ(serial[1].second, QStringList({"cold2/b", "cold2/a"}));
    EXPECT_EQ(serial[2].second, QStringList({"cold1/b", "cold1/a"}));

    // On a solid-state disk nothing asks whether the files are in memory.
    std::atomic<int> asked{0};
    plan.resident = [&](const QByteArray&) { return bool(++asked); };
    engine().setSolidStateForTesting(true);
    setReadPlanForTesting(plan);
    delegate.events.clear();
    scan({scratch()});
    EXPECT_EQ(asked.load(), 0);
    EXPECT_EQ(groups().size(), 4u);
}

// A stop while cold groups wait ends every queue: nothing more is read, the
// end is told once, the groups read before it are kept, and the next scan
// finds everything again. (More groups than are made ahead, so the stop
// finds the scan still handing cold groups out.)
TEST_F(ScanReadingTest, AStopEndsTheColdQueueToo)
{
    settings({});
    for (int i = 0; i < 100; ++i) {
        const QByteArray body(100 + i, char('a' + i % 26));
        writeBytes(QString("p/%1a").arg(i), body);
        writeBytes(QString("p/%1b").arg(i), body);
    }
    useMedium(Medium::spinningCold);
    std::atomic<int> coldReadings{0};
    ReadPlanForTesting plan;
    plan.resident = [](const QByteArray&) { return false; };
    plan.reading = [&](bool parallel, const QList<QByteArray>&) {
        if (!parallel && ++coldReadings == 3) {
            ScanManager::default_().stopScan();
        }
    };
    setReadPlanForTesting(plan);
    scan({scratch()});
    EXPECT_EQ(delegate.count("finished"), 1);
    // Once from the request, once from the scan body that saw it.
    EXPECT_EQ(delegate.count("stop"), 2);
    EXPECT_LE(coldReadings.load(), 4);
    // The two cold groups read before the stop are kept, the third was
    // stopped before its files were read whole.
    EXPECT_EQ(engine().totalFiles().size(), 2);
    expectConsistentResults();
    EXPECT_EQ(engine().assembleHDDQueue().operationCount(), 0);
    EXPECT_EQ(engine().assembleSSDQueue().operationCount(), 0);

    plan.reading = nullptr;
    setReadPlanForTesting(plan);
    delegate.events.clear();
    scan({scratch()});
    EXPECT_EQ(engine().totalFiles().size(), 100);
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
}

// The heavy groups are hashed first although their sizes come last; a stop
// while small groups are read still hands over every heavy group whose
// hashing had ended, after the small ones, in size order.
TEST_F(ScanReadingTest, AStopKeepsTheHeavyGroupsHashedBeforeIt)
{
    settings({});
    constexpr int heavy = 5;
    writePairs(400, heavy);
    for (Medium medium : {Medium::solid, Medium::spinningInMemory}) {
        useMedium(medium);
        delegate.events.clear();
        delegate.progress.clear();
        // No small file is read before every heavy group has ended.
        setMd5ReadFailureForTesting([&](const QByteArray& path) {
            if (path.contains("/s/")) {
                waitUntil([&] { return delegate.progressList().size() >= size_t(heavy); }, std::chrono::seconds(30));
            }
            return false;
        });
        std::atomic<int> smallPaths{0};
        delegate.onPath = [&](const QString& path) {
            if (path.contains("/s/") && ++smallPaths == 100) {
                ScanManager::default_().stopScan();
            }
        };
        scan({scratch()});
        delegate.onPath = nullptr;
        setMd5ReadFailureForTesting(nullptr);
        EXPECT_EQ(delegate.count("stop"), 2);
        const DuplicateFilesList found = engine().totalFiles();
        ASSERT_GE(found.size(), heavy) << int(medium);
        EXPECT_LT(found.size(), 400 + heavy);
        for (int i = 0; i < heavy; ++i) {
            const DuplicateFilesPtr& group = found[found.size() - heavy + i];
            EXPECT_EQ(group->infos()[0]->path(), bytesOf(QString("h/%1a").arg(i))) << int(medium);
        }
        expectTruePairs();
        expectConsistentResults();
    }
}

// Wherever the stop falls, what is filed is whole, true groups in size
// order with counts that match them, and the scan ends once.
TEST_F(ScanReadingTest, StopsAtAnyPointLeaveConsistentResults)
{
    settings({});
    writePairs(120, 2);
    for (Medium medium : {Medium::solid, Medium::spinningInMemory, Medium::spinningCold}) {
        useMedium(medium);
        for (int at : {1, 2, 3, 9, 40, 131, 239, 243}) {
            delegate.events.clear();
            delegate.progress.clear();
            std::atomic<int> paths{0};
            delegate.onPath = [&](const QString&) {
                if (++paths == at) {
                    ScanManager::default_().stopScan();
                }
            };
            scan({scratch()});
            delegate.onPath = nullptr;
            EXPECT_EQ(delegate.count("finished"), 1);
            EXPECT_GE(delegate.count("stop"), 1);
            EXPECT_LE(delegate.count("stop"), 2);
            const auto progress = delegate.progressList();
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            expectTruePairs(medium != Medium::spinningCold);
            expectConsistentResults();
            EXPECT_EQ(engine().assembleSSDQueue().operationCount(), 0);
            EXPECT_EQ(engine().assembleHDDQueue().operationCount(), 0);
            EXPECT_EQ(engine().appendQueue().operationCount(), 0);
        }
    }
}

// A stop reaches the reading of a large file between its pieces: the scan
// does not wait for the rest of the file, which then has no digest.
TEST_F(ScanReadingTest, AStopEndsTheReadingOfALargeFileBetweenItsPieces)
{
    settings({});
    constexpr qint64 size = 1024LL * 1024 * 1024;
    for (const char* name : {"big/a", "big/b"}) {
        writeBytes(name, "head");
        ASSERT_EQ(::truncate(bytesOf(name).constData(), size), 0);  // sparse
    }
    ASSERT_GE(bytesReadSoFar(), 0);
    for (Medium medium : {Medium::solid, Medium::spinningInMemory}) {
        useMedium(medium);
        ReadPlanForTesting plan;
        if (medium == Medium::spinningInMemory) {
            plan.resident = [](const QByteArray&) { return true; };
        }
        plan.wholeReading = [](const QByteArray&) { ScanManager::default_().stopScan(); };
        setReadPlanForTesting(plan);
        delegate.events.clear();
        const qint64 before = bytesReadSoFar();
        scan({scratch()});
        EXPECT_LT(bytesReadSoFar() - before, size / 8) << int(medium);
        EXPECT_TRUE(engine().totalFiles().isEmpty());
        EXPECT_EQ(delegate.count("finished"), 1);
    }
}

// Many files of one size whose edges match are hashed together, more of them
// than one kernel pass holds and in several pieces each; copies, files that
// differ only in the middle and the files in between keep to the definition
// on every kernel the processor has, the general-purpose chains included.
TEST_F(ScanReadingTest, FilesHashedSideBySideKeepToTheDefinitionOnEveryKernel)
{
    settings({});
    std::mt19937 rng(77);
    QByteArray base(150001, '\0');
    for (char& c : base) {
        c = static_cast<char>(rng());
    }
    int n = 0;
    const auto put = [&](const QByteArray& bytes) { writeBytes(QString("d%1/f%2").arg(n % 5).arg(n), bytes), ++n; };
    for (int i = 0; i < 9; ++i) {
        put(base);
    }
    QByteArray other = base;
    other[75000] = static_cast<char>(other[75000] ^ 0x40);
    for (int i = 0; i < 7; ++i) {
        put(other);
    }
    for (int i = 0; i < 6; ++i) {
        QByteArray single = base;
        single[1000 + i * 20000] = static_cast<char>(single[1000 + i * 20000] ^ 1);
        put(single);
    }
    // And small ones, hashed from what their edges already read.
    for (int i = 0; i < 40; ++i) {
        put(QByteArray(300, char('a' + i % 2)));
    }
    const std::vector<QStringList> expected = expectedGroups();
    ASSERT_EQ(expected.size(), 4u);
    for (Md5Kernel kernel : {Md5Kernel::scalar, Md5Kernel::avx2, Md5Kernel::avx512}) {
        if (!Md5Lanes::supported(kernel)) {
            continue;
        }
        Md5Lanes::forceKernel(kernel);
        for (Medium medium : {Medium::solid, Medium::spinningInMemory, Medium::spinningCold}) {
            useMedium(medium);
            delegate.events.clear();
            scan({scratch()});
            EXPECT_EQ(text(groups()), text(expected)) << "kernel " << int(kernel) << " medium " << int(medium);
        }
    }
}

// On a spinning disk, a group whose edges are in memory but whose middles
// are not is found so while it is read several groups at once, without
// waiting for the disk, and is read whole later, one group at a time.
TEST_F(ScanReadingTest, MiddlesOutOfMemoryAreReadLaterOneGroupAtATime)
{
    settings({});
    const qsizetype size = 4 * 1048576 + 3;
    QByteArray body(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        body[i] = static_cast<char>(i * 31 / 7);
    }
    writeBytes("a/big", body);
    writeBytes("b/big", body);
    writeBytes("small/a", "small pair");
    writeBytes("small/b", "small pair");
    // Out of memory but for the edges: written to the disk, dropped, and the
    // edges read back. Where pages cannot be dropped (a file system in
    // memory) there is nothing to find.
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    bool middlesOut = true;
    for (const char* name : {"a/big", "b/big"}) {
        const int fd = ::open(bytesOf(name).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        char edge[4096];
        ASSERT_EQ(::pread(fd, edge, sizeof edge, 0), 4096);
        ASSERT_EQ(::pread(fd, edge, sizeof edge, size - 4096), 4096);
        void* map = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd, 0);
        ASSERT_NE(map, MAP_FAILED);
        std::vector<unsigned char> resident((size_t(size) + page - 1) / page);
        ASSERT_EQ(::mincore(map, size_t(size), resident.data()), 0);
        middlesOut = middlesOut && !(resident[resident.size() / 2] & 1);
        ::munmap(map, size_t(size));
        ::close(fd);
    }
    if (!middlesOut) {
        GTEST_SKIP() << "the file system keeps every page in memory";
    }
    std::mutex mutex;
    std::vector<std::pair<bool, QStringList>> readings;
    ReadPlanForTesting plan;
    plan.reading = [&](bool parallel, const QList<QByteArray>& paths) {
        QStringList names;
        for (const QByteArray& path : paths) {
            names << QFile::decodeName(path).mid(scratch().size() + 1);
        }
        std::lock_guard lock(mutex);
        readings.push_back({parallel, names});
    };
    setReadPlanForTesting(plan);
    engine().setSolidStateForTesting(false);
    scan({scratch()});
    EXPECT_EQ(groups(), std::vector<QStringList>({{"a/big", "b/big"}, {"small/a", "small/b"}}));
    std::lock_guard lock(mutex);
    std::vector<std::pair<bool, QStringList>> big;
    for (const auto& reading : readings) {
        if (reading.second.contains("a/big")) {
            big.push_back(reading);
        }
    }
    ASSERT_EQ(big.size(), 2u);
    EXPECT_TRUE(big[0].first);   // the edges, with the other groups
    EXPECT_FALSE(big[1].first);  // the whole, on its own
}

// Two sets of one size come out in the order of their digests. Where the
// files are copies of the first for a while, they are compared and not yet
// hashed; a set that parts from the first late, in a later piece, or early,
// still gets the digest of its whole content, and so its place.
TEST_F(ScanReadingTest, SetsOfOneSizeComeInTheOrderOfTheirDigestsWhereverTheyPart)
{
    settings({});
    std::mt19937 rng(5);
    struct Size {
        qint64 size;
        QStringList order;  // first names of its two sets, in digest order
    };
    std::vector<Size> expected;
    for (int k = 0; k < 12; ++k) {
        const qsizetype size = 700000 + k;
        QByteArray base(size, '\0');
        for (char& c : base) {
            c = static_cast<char>(rng());
        }
        // Where the second set parts: in a late piece, the middle, or
        // just past the first edge.
        const qsizetype at = k % 3 == 0 ? size - 5000 : k % 3 == 1 ? size / 2 : 5000;
        QByteArray other = base;
        other[at] = static_cast<char>(other[at] ^ 0x10);
        const QString folder = QString("s%1/").arg(size);
        writeBytes(folder + "a1", base);
        writeBytes(folder + "a2", base);
        writeBytes(folder + "b1", other);
        writeBytes(folder + "b2", other);
        const QByteArray a = QCryptographicHash::hash(base, QCryptographicHash::Md5).toHex();
        const QByteArray b = QCryptographicHash::hash(other, QCryptographicHash::Md5).toHex();
        expected.push_back({size, a < b ? QStringList{folder + "a1", folder + "b1"}
                                        : QStringList{folder + "b1", folder + "a1"}});
    }
    for (Medium medium : {Medium::solid, Medium::spinningInMemory}) {
        useMedium(medium);
        delegate.events.clear();
        scan({scratch()});
        std::vector<Size> found;
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            ASSERT_EQ(group->fileCount(), 2);
            const qint64 size = qint64(group->infos()[0]->size());
            if (found.empty() || found.back().size != size) {
                found.push_back({size, {}});
            }
            found.back().order << group->infos()[0]->displayPath().mid(scratch().size() + 1);
        }
        ASSERT_EQ(found.size(), expected.size()) << int(medium);
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].size, expected[i].size);
            EXPECT_EQ(found[i].order, expected[i].order) << "size " << expected[i].size << " medium " << int(medium);
        }
    }
}

// A file that grows after its edges were compared, while its copies are read
// whole, is in no group, whichever of them is read first; the copies that
// stayed are one group.
TEST_F(ScanReadingTest, AFileThatGrowsWhileItsCopiesAreComparedLeavesThemGrouped)
{
    settings({});
    const QByteArray body(900001, 'w');
    const QStringList names{"a/f", "b/f", "c/f"};
    for (const QString& grower : names) {
        for (const QString& name : names) {
            writeBytes(name, body);
        }
        ReadPlanForTesting plan;
        const QByteArray grown = bytesOf(grower);
        plan.wholeReading = [grown](const QByteArray& path) {
            if (path == grown) {
                QFile file(QFile::decodeName(path));
                ASSERT_TRUE(file.open(QIODevice::Append));
                file.write("more");
            }
        };
        engine().setSolidStateForTesting(true);
        setReadPlanForTesting(plan);
        delegate.events.clear();
        scan({scratch()});
        QStringList stayed = names;
        stayed.removeOne(grower);
        EXPECT_EQ(groups(), std::vector<QStringList>({stayed})) << grower.toStdString();
    }
}
