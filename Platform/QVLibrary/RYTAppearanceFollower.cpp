#include "RYTAppearanceFollower.h"

#include "RYTDarkMode.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

// Hears the application's palette change and tells every follower once the
// windows have the new palette.
class RYTAppearanceWatch : public QObject {
public:
    static RYTAppearanceWatch* shared()
    {
        static QPointer<RYTAppearanceWatch> watch;
        if (!watch) {
            // A child of the application: it goes with it.
            watch = new RYTAppearanceWatch(QCoreApplication::instance());
        }
        return watch;
    }

    void add(RYTAppearanceFollower* follower)
    {
        // Followers go with their widgets; those gone are dropped now and
        // then, so a long session's rows made and removed leave no trail.
        if (followers_.size() >= pruneAt_) {
            std::erase_if(followers_, [](const QPointer<RYTAppearanceFollower>& f) { return f.isNull(); });
            pruneAt_ = std::max<size_t>(64, 2 * followers_.size());
        }
        followers_.emplace_back(follower);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::ApplicationPaletteChange && !pending_) {
            // Qt posts the change to the windows after this; the followers
            // come after them, so a style sheet put anew resolves against
            // the new palette.
            pending_ = true;
            QMetaObject::invokeMethod(this, [this] { tellFollowers(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    explicit RYTAppearanceWatch(QObject* application)
        : QObject(application)
    {
        application->installEventFilter(this);
    }

    void tellFollowers()
    {
        pending_ = false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
        std::erase_if(followers_, [](const QPointer<RYTAppearanceFollower>& f) { return f.isNull(); });
        // A follower's apply may make or remove followers.
        const std::vector<QPointer<RYTAppearanceFollower>> now = followers_;
        for (const QPointer<RYTAppearanceFollower>& follower : now) {
            if (follower) {
                follower->appearanceMayHaveChanged();
            }
        }
    }

    std::vector<QPointer<RYTAppearanceFollower>> followers_;
    size_t pruneAt_ = 64;
    bool pending_ = false;
};

RYTAppearanceFollower::RYTAppearanceFollower(QWidget* widget, std::function<void()> apply)
    : QObject(widget), apply_(std::move(apply)), dark_(RYTDarkMode::isDarkMode())
{
}

void RYTAppearanceFollower::follow(QWidget* widget, std::function<void()> apply)
{
    if (!widget || !apply) {
        return;
    }
    auto* follower = new RYTAppearanceFollower(widget, std::move(apply));
    if (QCoreApplication::instance()) {
        RYTAppearanceWatch::shared()->add(follower);
    }
    follower->apply_();
}

void RYTAppearanceFollower::followTextColor(QWidget* widget, const QString& colorName)
{
    follow(widget, [widget, colorName] {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, RYTDarkMode::colorNamed(colorName));
        widget->setPalette(palette);
    });
}

void RYTAppearanceFollower::appearanceMayHaveChanged()
{
    const bool dark = RYTDarkMode::isDarkMode();
    if (dark == dark_) {
        return;
    }
    dark_ = dark;
    apply_();
}
