#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

// Holds a removal inside chosen files, as a slow disk would. It counts the
// files of `paths` as the removal starts to move or delete each (once per
// file), and holds the removal inside the file of each count in `holdAt`
// until open() lets it go on. Installed as the file manager's fault hook
// for as long as it lives; it fails nothing.
class RemovalStepGate {
public:
    RemovalStepGate(QSet<QByteArray> paths, QList<int> holdAt);
    ~RemovalStepGate();
    RemovalStepGate(const RemovalStepGate&) = delete;
    RemovalStepGate& operator=(const RemovalStepGate&) = delete;

    // Whether the removal is held inside a file now.
    bool holding() const;
    // Lets the file held now (or the next one to be held) go on.
    void open();
    // Files counted so far.
    int reached() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// What a held removal shows once the file in hand is let go: that file goes
// (`left`, the files still there, reaches `leftAfter`), and then, for a
// while, no other file goes, `clock` stands and `asking` stays true.
bool holdsAfterTheFileInHand(RemovalStepGate& gate, const std::function<int()>& left, int leftAfter,
                             const std::function<double()>& clock, const std::function<bool()>& asking,
                             std::chrono::milliseconds aWhile = std::chrono::milliseconds(1500));

// The files in `folder` (hidden ones too, not below it): their paths, as a
// gate takes them, and how many there are.
QSet<QByteArray> pathsIn(const QString& folder);
int filesIn(const QString& folder);
