// The media back end's warm-up and the program's end.

#include "Foundation/Dispatch.h"
#include "QuickLook/MediaPlayerView.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

// Quitting used to wait for the media library to set itself up, which takes
// seconds on a machine whose plug-in list is built from scratch. A set-up
// that never ends must not hold the application's end, while other work on
// the shared pool is still waited for.
TEST(MediaPlayerViewDeathTest, TheApplicationsEndDoesNotWaitForTheMediaLibrarysSetUp)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::atomic<bool> stalled{false};
            MediaPlayerView::setWarmUpStallForTesting([] {
                stalled = true;
                for (;;) {
                    std::this_thread::sleep_for(std::chrono::hours(1));
                }
            });
            MediaPlayerView::warmUpBackend();
            while (!stalled.load()) {
                std::this_thread::yield();
            }
            std::atomic<bool> started{false};
            DispatchQueue::global().async([&started] {
                started = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                std::fputs("global work finished\n", stderr);
            });
            while (!started.load()) {
                std::this_thread::yield();
            }
            // End the application object as main()'s return would, then the
            // process, its exit handlers included, with the set-up still stuck.
            const auto start = std::chrono::steady_clock::now();
            QCoreApplication::instance()->~QCoreApplication();
            const auto took = std::chrono::steady_clock::now() - start;
            std::fputs("application gone\n", stderr);
            std::exit(took < std::chrono::seconds(5) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "global work finished.*application gone");
}
