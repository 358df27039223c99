#pragma once

#include <QByteArray>

// Where a removal run sends the selected files. (`forever` is a Qt macro, so
// that case carries a trailing underscore like a keyword would.)
class RemoveType {
public:
    enum class Kind { folder, trash, forever_ };

    RemoveType() : RemoveType(Kind::trash, {}) {}
    static RemoveType folder(QByteArray path) { return RemoveType(Kind::folder, std::move(path)); }
    static RemoveType trash() { return RemoveType(Kind::trash, {}); }
    static RemoveType forever_() { return RemoveType(Kind::forever_, {}); }

    Kind kind() const { return kind_; }
    // The chosen folder of `folder`; empty for the other kinds.
    const QByteArray& path() const { return path_; }

    bool operator==(const RemoveType& other) const = default;

private:
    RemoveType(Kind kind, QByteArray path) : kind_(kind), path_(std::move(path)) {}

    Kind kind_;
    QByteArray path_;
};
