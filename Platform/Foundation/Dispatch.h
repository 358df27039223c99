#pragma once

#include <functional>
#include <memory>

#include <QString>

class QThreadPool;

// Stand-in for the dispatch queues the engines were written against. A queue
// runs closures: the main queue on the Qt event loop of the application
// object, global queues on the shared thread pool, serial queues one closure
// at a time in submission order.
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
    // Runs the closure on this queue once `seconds` have passed.
    void asyncAfter(double seconds, std::function<void()> work);
    // Runs the closure on this queue and waits for it. Called on the main
    // queue from the main thread, it runs the closure at once.
    void sync(const std::function<void()>& work);

    QString label() const { return label_; }
    bool isMain() const { return kind_ == Kind::main; }

    // Blocks until every closure submitted so far to this serial queue ran.
    void waitForIdle();

private:
    enum class Kind { main, global, serial };
    DispatchQueue(Kind kind, const QString& label);

    Kind kind_;
    QString label_;
    std::unique_ptr<QThreadPool> pool_;  // serial queues only
};

// Runs the closure on the main queue after `seconds`.
void dispatchMainAfter(double seconds, std::function<void()> work);
