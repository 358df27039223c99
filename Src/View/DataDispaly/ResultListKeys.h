#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QAbstractItemView;
class QKeyEvent;
class QModelIndex;

// A result list as the keyboard meets it: one stop of Tab (Tab goes on to
// the next control, not from row to row) with the program's focus ring
// round the list while it has the focus. Up, Down, Page Up, Page Down, Home
// and End choose a row as a click on it does, passing over the rows that
// `choosable` turns away (an empty category); Space and Return act on the
// chosen row through `press` (`open` false for Space, true for Return and
// Enter), as its box and its open control do. A click leaves the keyboard
// where it was, as on the program's other lists.
class ResultListKeys : public QObject {
    Q_OBJECT
public:
    using Press = std::function<void(const QModelIndex& chosen, bool open)>;
    using Choosable = std::function<bool(int row)>;

    static void attach(QAbstractItemView* view, double ringRadius, Press press = nullptr,
                       Choosable choosable = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResultListKeys(QAbstractItemView* view, Press press, Choosable choosable);
    bool key(QKeyEvent* event);
    int chosenRow() const;
    bool choose(int row);

    QPointer<QAbstractItemView> view_;
    Press press_;
    Choosable choosable_;
};
