#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QPointer>
#include <QString>

// Stand-in for the dispatch queues the engines were written against. A queue
// runs closures: the main queue on the Qt event loop of the application
// object, the global queue on a shared pool that grows while its threads are
// busy, serial queues one closure at a time in submission order.
//
// Work still on the global queue when the application object goes away is
// given up to five seconds to finish first: its threads are never joined, and
// a closure still running while the process tears its libraries down would
// crash it on the way out.
//
// Closures travel through queues of our own guarded by std::mutex rather than
// through Qt's event queue, so the hand-over is visible to ThreadSanitizer.
class DispatchQueue {
public:
    enum class QoS { background, utility, default_, userInitiated, userInteractive };

    static DispatchQueue& main();
    static DispatchQueue& global(QoS qos = QoS::default_);

    // A new serial queue; closures run one after another in the order given.
    explicit DispatchQueue(const QString& label);
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    void async(std::function<void()> work);
    // Main queue: runs the closure only if `context` still exists then. The
    // context must live on the main thread.
    void async(QObject* context, std::function<void()> work);
    // Runs the closure on this queue once `seconds` have passed.
    void asyncAfter(double seconds, std::function<void()> work);
    // Runs the closure on this queue and waits for it. Called on the main
    // queue from the main thread, it runs the closure at once.
    void sync(const std::function<void()>& work);

    QString label() const { return label_; }
    bool isMain() const { return kind_ == Kind::main; }

    // Blocks until every closure submitted so far to this serial queue ran.
    void waitForIdle();
    // The same, for at most `bound`; false when work was still waiting or
    // running then.
    bool waitForIdle(std::chrono::milliseconds bound);

    struct Pool;

private:
    enum class Kind { main, global, serial };
    DispatchQueue(Kind kind, const QString& label);

    Kind kind_;
    QString label_;
    std::shared_ptr<Pool> pool_;  // global and serial queues
};

// Runs the closure on the main queue after `seconds`.
void dispatchMainAfter(double seconds, std::function<void()> work);
