#pragma once

#include <QObject>
#include <QPointer>

class RYSelectView;

// Two click areas that stand for one choice (the "All" and "Selected" tabs,
// the grid and list switch) as one stop of the Tab chain. The one chosen
// takes the focus; Space and Return choose the other, and so does the arrow
// that points at it, as a click on it does; the focus goes along with the
// choice, whichever way it was made.
class SelectViewPair : public QObject {
    Q_OBJECT
public:
    SelectViewPair(RYSelectView* first, RYSelectView* second, QObject* parent);

    // The one of the two that is selected now (none while both or neither are).
    RYSelectView* chosen() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    QPointer<RYSelectView> first_;
    QPointer<RYSelectView> second_;
};
