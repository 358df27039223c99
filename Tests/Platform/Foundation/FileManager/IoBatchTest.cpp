// Batched file calls answer as the system calls they stand for, through the
// kernel's ring or, where it is not there, one after the other.

#include "Foundation/IoBatch.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

class IoBatchTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_THREAD__)
        if (GetParam()) {
            GTEST_SKIP() << "the thread sanitizer cannot see the ring's opens and closes: its batches make plain calls";
        }
#endif
        ASSERT_TRUE(dir_.isValid());
        IoBatch::setRingAllowedForTesting(GetParam());
        folder_ = ::open(QFile::encodeName(dir_.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(folder_, 0);
    }
    void TearDown() override
    {
        ::close(folder_);
        IoBatch::setRingAllowedForTesting(true);
    }
    QByteArray write(const char* name, qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i) {
            bytes[i] = char(i * 7 + i / 251);
        }
        QFile file(dir_.path() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return bytes;
    }

    QTemporaryDir dir_;
    int folder_ = -1;
};

}  // namespace

TEST_P(IoBatchTest, AnswersAreThoseOfTheSystemCalls)
{
    const QByteArray small = write("small", 10);
    const QByteArray large = write("large", 100000);
    IoBatch io;
    if (!GetParam()) {
        EXPECT_FALSE(io.usesRing());
    }
    const size_t a = io.openAt(folder_, "small", O_RDONLY | O_CLOEXEC);
    const size_t b = io.openAt(folder_, "large", O_RDONLY | O_CLOEXEC);
    const size_t missing = io.openAt(folder_, "missing", O_RDONLY | O_CLOEXEC);
    const size_t notFolder = io.openAt(folder_, "small/x", O_RDONLY | O_CLOEXEC);
    io.run();
    const int smallFd = io.result(a);
    const int largeFd = io.result(b);
    ASSERT_GE(smallFd, 0);
    ASSERT_GE(largeFd, 0);
    EXPECT_EQ(io.result(missing), -ENOENT);
    EXPECT_EQ(io.result(notFolder), -ENOTDIR);

    char wholeSmall[11] = {};
    std::vector<char> start(65536), tail(20), past(4);
    const size_t r1 = io.read(smallFd, wholeSmall, sizeof wholeSmall, 0, false);  // one byte past its end
    const size_t r2 = io.read(largeFd, start.data(), start.size(), 0, true);      // in memory: never waits
    const size_t r3 = io.read(largeFd, tail.data(), tail.size(), 99990, false);
    const size_t r4 = io.read(largeFd, past.data(), past.size(), 100000, false);
    const size_t r5 = io.read(-1, past.data(), past.size(), 0, false);
    io.run();
    EXPECT_EQ(io.result(r1), 10);
    EXPECT_EQ(QByteArray(wholeSmall, 10), small);
    EXPECT_EQ(io.result(r2), 65536);
    EXPECT_EQ(QByteArray(start.data(), 65536), large.left(65536));
    EXPECT_EQ(io.result(r3), 10);
    EXPECT_EQ(QByteArray(tail.data(), 10), large.right(10));
    EXPECT_EQ(io.result(r4), 0);
    EXPECT_EQ(io.result(r5), -EBADF);

    // Closed with the next batch, not before.
    io.closeLater(smallFd);
    io.closeLater(largeFd);
    EXPECT_EQ(::fcntl(smallFd, F_GETFD), FD_CLOEXEC);
    io.run();
    EXPECT_EQ(::fcntl(smallFd, F_GETFD), -1);
    EXPECT_EQ(::fcntl(largeFd, F_GETFD), -1);
}

TEST_P(IoBatchTest, BatchesLargerThanTheRingAreAnsweredWhole)
{
    const QByteArray bytes = write("bytes", 3000);
    IoBatch io;
    const size_t opened = io.openAt(folder_, "bytes", O_RDONLY | O_CLOEXEC);
    io.run();
    const int fd = io.result(opened);
    ASSERT_GE(fd, 0);
    // Each byte on its own read, several times as many calls as the ring holds.
    std::vector<char> got(3000, 0);
    std::vector<size_t> asked;
    for (int i = 0; i < 3000; ++i) {
        asked.push_back(io.read(fd, got.data() + i, 1, i, false));
    }
    io.run();
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(io.result(asked[size_t(i)]), 1) << i;
    }
    EXPECT_EQ(QByteArray(got.data(), 3000), bytes);

    // Many descriptors opened and closed in one batch each.
    std::vector<size_t> opens;
    for (int i = 0; i < 600; ++i) {
        opens.push_back(io.openAt(folder_, "bytes", O_RDONLY | O_CLOEXEC));
    }
    io.run();
    std::vector<int> fds;
    for (size_t index : opens) {
        ASSERT_GE(io.result(index), 0);
        fds.push_back(io.result(index));
        io.closeLater(fds.back());
    }
    io.closeLater(fd);
    io.run();
    for (int each : fds) {
        EXPECT_EQ(::fcntl(each, F_GETFD), -1);
    }
}

// A memory file system refuses to be asked not to wait: its reads are made
// plainly and give the bytes, never a failure.
TEST_P(IoBatchTest, ReadsThatCannotBeAskedNotToWaitAreReadPlainly)
{
    SmallFileSystem memory(1024);
    if (!memory.mounted()) {
        GTEST_SKIP() << "no tmpfs could be mounted here";
    }
    QByteArray bytes(100000, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 13 + i / 97);
    }
    const QByteArray path = QFile::encodeName(memory.path() + "/file");
    ASSERT_TRUE(writeFileBytes(path, bytes));
    IoBatch io;
    const size_t opened = io.openAt(AT_FDCWD, path.constData(), O_RDONLY | O_CLOEXEC);
    io.run();
    const int fd = io.result(opened);
    ASSERT_GE(fd, 0);
    std::vector<char> start(65536), rest(40000);
    const size_t a = io.read(fd, start.data(), start.size(), 0, true);
    const size_t b = io.read(fd, rest.data(), rest.size(), 65536, true);  // one past the end asked for
    io.run();
    EXPECT_EQ(io.result(a), 65536);
    EXPECT_EQ(QByteArray(start.data(), 65536), bytes.left(65536));
    EXPECT_EQ(io.result(b), 100000 - 65536);
    EXPECT_EQ(QByteArray(rest.data(), 100000 - 65536), bytes.mid(65536));
    io.closeLater(fd);
    io.run();
}

// A number one thread's batch closed is handed to the next file another
// thread makes, as the link server makes its port file's temporary. Under the
// thread sanitizer the batch's close must be one it saw, or the other
// thread's close of that file reads as a race with the first thread's last
// use of the number: the two threads keep no order the sanitizer knows of.
TEST(IoBatchNumbersTest, ANumberTheBatchClosedIsAnotherThreadsNextOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.path()) + "/file";
    ASSERT_TRUE(writeFileBytes(path, "bytes"));
    std::atomic<int> closed{-1};
    std::atomic<bool> done{false};
    std::thread batchThread([&] {
        IoBatch io;
        const size_t opened = io.openAt(AT_FDCWD, path.constData(), O_RDONLY | O_CLOEXEC);
        io.run();
        const int fd = io.result(opened);
        char byte = 0;
        EXPECT_EQ(::pread(fd, &byte, 1, 0), 1);  // a plain call on it, as the hashing makes
        io.closeLater(fd);
        io.run();
        closed.store(fd, std::memory_order_relaxed);
        while (!done.load(std::memory_order_relaxed)) {
            std::this_thread::yield();
        }
    });
    while (closed.load(std::memory_order_relaxed) < 0) {
        std::this_thread::yield();
    }
    // The sanitizer sees no mkstemp either: only the close tells it of the file.
    QByteArray temporary = QFile::encodeName(dir.path()) + "/temporary-XXXXXX";
    const int again = ::mkstemp(temporary.data());
    EXPECT_GE(again, 0);
    ::close(again);
    done.store(true, std::memory_order_relaxed);
    batchThread.join();
    if (again != closed.load()) {
        GTEST_SKIP() << "a thread of the test program took the number first";
    }
}

INSTANTIATE_TEST_SUITE_P(RingOrNot, IoBatchTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Ring" : "OneByOne"; });
