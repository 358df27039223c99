#pragma once

#include <functional>

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class Progress;
class QVariantAnimation;

// The ring-shaped progress of the scanning panels: a filled disc, an arc
// that grows clockwise from the top, an outer ring over the arc and the
// percentage in the middle. `setProgress` clamps the value to 0…1, shows it
// at once as "45.67%" ("99.99%", finished, from 0.99 on) and moves the arc to
// it over one second with ease-out timing, queued to the main thread. The
// view can follow a Progress object from any thread. The geometry follows
// the widget's current size; named colours are looked up when painting, so
// an appearance change shows at once.
class CircularProgressView : public QWidget {
    Q_OBJECT
public:
    explicit CircularProgressView(QWidget* parent = nullptr);
    // A view of size × size.
    explicit CircularProgressView(double size, QWidget* parent = nullptr);
    ~CircularProgressView() override;

    double progress() const { return progress_; }
    void setProgress(double progress);

    // With a followed Progress object these read that object's state.
    bool isFinished() const;
    void setIsFinished(bool finished);
    bool isCancelled() const;
    void setIsCancelled(bool cancelled);
    bool isCancellable() const;
    void setIsCancellable(bool cancellable);

    // Follows the object's fraction, finish and cancellation until another
    // object (or none) is set; the view does not own it.
    Progress* progressInstance() const;
    void setProgressInstance(Progress* progress);

    // Called on the main thread each time the view becomes cancelled.
    void setOnCancelled(std::function<void()> onCancelled) { onCancelled_ = std::move(onCancelled); }

    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width);

    // "ProgressColor" (disc and ring) and "ProgressLabelColor" (arc and text).
    static QColor color();
    static QColor labelColor();
    // On a surface that stays light in the dark appearance the ring takes
    // the light values of its colours.
    bool onLightSurface() const { return onLightSurface_; }
    void setOnLightSurface(bool light);

    // Back to 0 at once: "0%", an empty arc, not finished, not cancelled.
    void reset();
    // Cancels the followed object when it may be cancelled; without one,
    // becomes cancelled when the view is cancellable.
    void cancel();

    // Geometry and state as drawn.
    double radius() const;
    double discRadius() const { return radius() * 0.89; }
    QString labelText() const { return label_; }
    // The share of the full turn the arc shows now.
    double strokeEnd() const { return strokeEnd_; }
    bool isArcAnimating() const;

    QSize sizeHint() const override;

signals:
    void isFinishedChanged(bool finished);
    void isCancelledChanged(bool cancelled);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setLabel(const QString& text);
    void animateArc();
    void stopObserving();
    void becomeCancelled(bool cancelled);

    double progress_ = 0.0;
    double strokeEnd_ = 0.0;
    double lineWidth_ = 2.0;
    QString label_ = QStringLiteral("0%");
    bool finished_ = false;
    bool cancellable_ = false;
    bool cancelled_ = false;
    bool onLightSurface_ = false;
    std::function<void()> onCancelled_;
    QPointer<QVariantAnimation> arcAnimation_;

    QPointer<Progress> progressInstance_;
    QList<QMetaObject::Connection> observations_;
    // Counts the objects followed, so late news from an earlier one is dropped.
    quint64 observation_ = 0;
};
