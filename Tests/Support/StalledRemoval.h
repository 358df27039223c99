#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <gtest/gtest.h>

#include "Manager/RemoveOperation.h"
#include "StalledFileSystem.h"
#include "TestSupport.h"

// A removal whose file in hand lies on a mount that stopped answering: a
// stop must end the run at once all the same, and the file's outcome, when
// the mount answers at last, must come too late to count anywhere. The
// engine is the test's: it says how to start the removal, stop it and see
// its end. Call the steps with ASSERT_NO_FATAL_FAILURE.
class StalledRemoval {
public:
    // `files` served at `folder`; reads of `stalledName` wait, and so do its
    // openings from the `holdOpensFrom`th on (see StalledFileSystem). Skip
    // the test when mount().mounted() is false.
    StalledRemoval(const QString& folder, std::map<QByteArray, QByteArray> files, QByteArray stalledName,
                   int holdOpensFrom = 0)
        : mount_(folder, std::move(files), std::move(stalledName), holdOpensFrom)
    {
    }

    StalledFileSystem& mount() { return mount_; }

    // Starts the removal and, once its file in hand waits on the mount,
    // stops it as the removal screen does: the run's end comes within a
    // second while the file is still in hand.
    void stopWhileInHand(const std::function<void()>& start, const std::function<void()>& stop,
                         const std::function<bool()>& ended)
    {
        droppedBefore_ = RemoveRun::droppedOutcomes();
        start();
        ASSERT_TRUE(mount_.waitStalled());
        QElapsedTimer sinceStop;
        sinceStop.start();
        stop();
        ASSERT_TRUE(waitUntil(ended, std::chrono::seconds(5)));
        EXPECT_LT(sinceStop.elapsed(), 1000);
        EXPECT_TRUE(mount_.stalled());
    }

    // The mount answers: waits until the outcome of the file that was in
    // hand has come back and was dropped.
    void answerLate()
    {
        mount_.release();
        ASSERT_TRUE(waitUntil([this] { return RemoveRun::droppedOutcomes() > droppedBefore_; }));
    }

private:
    StalledFileSystem mount_;
    int64_t droppedBefore_ = 0;
};
