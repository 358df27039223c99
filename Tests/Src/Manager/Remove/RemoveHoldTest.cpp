// A removal held while the user is asked whether to stop it: it waits
// between files until every question has let go, a stop frees it even when
// nobody tells the hold, and the short-of-space question's suspension of the
// queue and a stop question's hold never free each other.

#include "Manager/RemoveOperation.h"

#include "RemoveTestSupport.h"

namespace {

class RemoveHoldTest : public RemoveTestBase {
protected:
    void SetUp() override
    {
        RemoveTestBase::SetUp();
        queue.setMaxConcurrentOperationCount(1);
        state.removeQueue = &queue;
    }
    void TearDown() override
    {
        state.removeStop.store(true);
        state.hold.reset();
        queue.setSuspended(false);
        queue.waitUntilAllOperationsAreFinished();
        RemoveTestBase::TearDown();
    }
    std::shared_ptr<RemoveOperation> operation(const DuplicateFilesPtr& g, const QString& folder = {})
    {
        return std::make_shared<RemoveOperation>(g, QFile::encodeName(folder), state);
    }
    // True when `changed` does not become true for a while.
    static bool staysSo(const std::function<bool()>& changed)
    {
        return !waitUntil(changed, std::chrono::milliseconds(300));
    }

    OperationQueue queue;
    RemoveState state;
};

}  // namespace

TEST_F(RemoveHoldTest, AHeldRunWaitsBetweenFilesUntilEveryQuestionHasLetGo)
{
    auto a = scanned("src/a.bin", "a", true);
    auto b = scanned("src/b.bin", "b", true);
    auto c = scanned("src/c.bin", "c", true);
    auto op = operation(group({scanned("k/a.bin", "a", false), a, b, c}));
    // Two questions come up while the first file goes.
    std::shared_ptr<RemoveHold::Holding> first;
    std::shared_ptr<RemoveHold::Holding> second;
    op->setRemoveBlock([&](const FileInfoPtr&, FileType, uint64_t) {
        if (!first) {
            first = state.hold.hold();
            second = state.hold.hold();
        }
    });
    queue.addOperation(op);
    ASSERT_TRUE(waitUntil([&] { return state.hold.isWaiting(); }));
    EXPECT_FALSE(exists(a));
    EXPECT_TRUE(exists(b));

    first->release();
    first->release();  // an answer given twice lets go once
    EXPECT_TRUE(staysSo([&] { return !exists(b) || !state.hold.isWaiting(); }));

    second.reset();  // a question that goes unanswered lets go as well
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
    EXPECT_FALSE(exists(b));
    EXPECT_FALSE(exists(c));
    EXPECT_FALSE(state.hold.isHeld());
}

TEST_F(RemoveHoldTest, AStopFreesAHeldRunThoughNobodyLetGo)
{
    // As at the program's end: the stop flag is set, the question stays.
    auto a = scanned("src/a.bin", "a", true);
    auto g = group({scanned("k/a.bin", "a", false), a});
    const std::shared_ptr<RemoveHold::Holding> asking = state.hold.hold();
    auto op = operation(g);
    queue.addOperation(op);
    ASSERT_TRUE(waitUntil([&] { return state.hold.isWaiting(); }));
    state.removeStop.store(true);
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
    EXPECT_TRUE(exists(a));
    EXPECT_TRUE(state.hold.isHeld());
    // A new run starts free of what an earlier one was held by.
    state.reset();
    EXPECT_FALSE(state.hold.isHeld());
}

TEST_F(RemoveHoldTest, ShortOfSpaceAndStopQuestionsNeverFreeEachOther)
{
    const QByteArray far = "/elsewhere";
    const QString dest = folderAt("dest");

    // The short-of-space question first: its answer resumes the queue, and
    // the next group still waits for the stop question.
    injectFreeSize(10);
    prompter.setHold(true);
    auto big = scanned("src/big.bin", QByteArray(100, 'b'), true, far);
    auto later = scanned("src/later.bin", QByteArray(100, 'l'), true, far);
    auto op1 = operation(group({scanned("k/big.bin", QByteArray(100, 'b'), false), big}), dest);
    auto op2 = operation(group({scanned("k/later.bin", QByteArray(100, 'l'), false), later}), dest);
    queue.addOperation(op1);
    queue.addOperation(op2);
    ASSERT_TRUE(waitUntil([&] { return prompter.hasPending() && op1->isFinished(); }));
    std::shared_ptr<RemoveHold::Holding> asking = state.hold.hold();
    prompter.answer(0);
    ASSERT_TRUE(waitUntil([&] { return state.hold.isWaiting(); }));
    EXPECT_FALSE(queue.isSuspended());
    EXPECT_TRUE(exists(later));
    asking->release();
    ASSERT_TRUE(waitUntil([&] { return op2->isFinished(); }));
    EXPECT_FALSE(exists(later));
    EXPECT_TRUE(exists(big));

    // The stop question first, opened while a file was being checked for
    // room: the short-of-space question waits for its answer. "Cancel" then
    // asks it and leaves the queue suspended for it; "Yes" asks nothing.
    for (const bool yes : {false, true}) {
        state.reset();
        const size_t asked = prompter.questions().size();
        std::mutex mutex;
        std::shared_ptr<RemoveHold::Holding> stopQuestion;
        FileManagerFaults faults;
        faults.freeSize = [&](const QByteArray&) -> std::optional<uint64_t> {
            std::lock_guard lock(mutex);
            if (!stopQuestion) {
                stopQuestion = state.hold.hold();
            }
            return 10;
        };
        FileManager::setFaults(faults);
        auto huge = scanned(yes ? "src/huge2.bin" : "src/huge1.bin", QByteArray(100, 'h'), true, far);
        auto after = scanned(yes ? "src/after2.bin" : "src/after1.bin", QByteArray(100, 'a'), true, far);
        auto first = operation(group({scanned("k/huge.bin", QByteArray(100, 'h'), false), huge}), dest);
        auto second = operation(group({scanned("k/after.bin", QByteArray(100, 'a'), false), after}), dest);
        queue.addOperation(first);
        queue.addOperation(second);
        ASSERT_TRUE(waitUntil([&] { return state.hold.isWaiting(); }));
        EXPECT_TRUE(queue.isSuspended());
        EXPECT_EQ(prompter.questions().size(), asked);
        if (yes) {
            state.removeStop.store(true);
            queue.cancelAllOperations();
        }
        {
            std::lock_guard lock(mutex);
            stopQuestion->release();
        }
        if (yes) {
            ASSERT_TRUE(waitUntil([&] { return first->isFinished() && !queue.isSuspended(); }));
            EXPECT_EQ(prompter.questions().size(), asked);
            EXPECT_TRUE(exists(after));
        } else {
            ASSERT_TRUE(waitUntil([&] { return prompter.hasPending(); }));
            EXPECT_TRUE(staysSo([&] { return !queue.isSuspended() || second->isExecuting() || second->isFinished(); }));
            prompter.answer(0);
            ASSERT_TRUE(waitUntil([&] { return second->isFinished(); }));
            EXPECT_FALSE(exists(after));
        }
        EXPECT_TRUE(exists(huge));
        FileManager::clearFaults();
    }
}
