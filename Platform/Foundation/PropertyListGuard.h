#pragma once

#include <QByteArray>
#include <QString>

// Looks at a property list before libplist parses it, and refuses what
// libplist cannot take safely: its binary reader recurses once per nesting
// level (a payload nesting 100,000 arrays overflows the stack) and makes a
// fresh copy of an object for every reference to it, its freeing recurses
// too, and its text getters abort on a NUL inside a text or a key.
//
// Both checks are iterative and linear in the size of the data.
namespace PropertyListGuard {

// Arrays and dictionaries nested deeper than this are refused (the root
// container counts as level 1). Events and settings use a handful of levels.
inline constexpr int maxNesting = 64;
// A property list that would unfold into more objects or more bytes of
// content than this is refused; shared references count once per use.
inline constexpr quint32 maxObjects = 1u << 20;
inline constexpr quint32 maxContentBytes = 64u << 20;

// True when `data` (a binary property list, "bplist00…") may be handed to
// libplist: its trailer and offset table lie inside the data, every object
// it reaches lies inside the object area and is of a kind we read, every
// reference points into the table and none loops back to an object that
// holds it, dictionary keys are texts, no text or key holds U+0000, and the
// nesting and unfolded size stay within the limits above. Otherwise false,
// with a short reason in `reason` when given.
bool checkBinary(const QByteArray& data, QString* reason = nullptr);

// True when `data` (an XML property list) may be handed to libplist: it
// holds no NUL byte and its elements nest no deeper than the containers'
// limit allows (plus the <plist> element and one value element), with at
// most maxObjects elements. Comments, CDATA sections, processing
// instructions and the document type are skipped as XML skips them.
bool checkXml(const QByteArray& data, QString* reason = nullptr);

}  // namespace PropertyListGuard
