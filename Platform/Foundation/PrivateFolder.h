#pragma once

#include <QByteArray>
#include <QString>

// Makes sure `path` is a folder only this user can enter: created with mode
// 0700 when missing (its parent must exist), narrowed to 0700 when it is
// ours but wider. False, with the reason in `error`, when it is anything
// else: a link, a file, or a folder of another user.
bool ensurePrivateFolder(const QByteArray& path, QString* error = nullptr);

// Whether `path` is already such a folder (nothing is created or changed).
bool isPrivateFolder(const QByteArray& path);
