#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;
class RYSelectView;

// Two controls that stand for one choice (the "All" and "Selected" tabs or
// buttons, the grid and list switch) as one stop of the Tab chain. The one
// chosen takes the focus; Space and Return choose the other, and so does the
// arrow that points at it, as a click on it does; the focus goes along with
// the choice, whichever way it was made.
class SelectViewPair : public QObject {
    Q_OBJECT
public:
    // Click areas: the one selected is the choice.
    SelectViewPair(RYSelectView* first, RYSelectView* second, QObject* parent);
    // Checkable buttons: the one checked is the choice.
    SelectViewPair(QAbstractButton* first, QAbstractButton* second, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SelectViewPair(QWidget* first, QWidget* second, std::function<bool(const QWidget*)> isChosen,
                   std::function<void(QWidget*)> click, QObject* parent);
    // The one of the two that is chosen now (none while both or neither are).
    QWidget* chosen() const;
    void follow();

    QPointer<QWidget> first_;
    QPointer<QWidget> second_;
    std::function<bool(const QWidget*)> isChosen_;
    std::function<void(QWidget*)> click_;
};
