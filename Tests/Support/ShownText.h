#pragma once

#include <QLabel>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

// What a word-wrapped label shows, seen as a reader sees it.
namespace ShownText {

// The label's text without the zero-width spaces that only let it wrap.
inline QString readable(const QLabel* label)
{
    QString text = label->text();
    text.remove(QChar(0x200B));
    return text;
}

// True when every line of the label's text, wrapped at its width as the
// label wraps it, lies within the label, and the label within its window:
// nothing of the text is cut off at an edge.
inline bool showsAll(const QLabel* label)
{
    const QRect box = label->contentsRect();
    QTextLayout layout(label->text(), label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    qreal height = 0;
    bool fits = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        height += line.height();
        fits = fits && line.naturalTextWidth() <= box.width() + 0.5;
    }
    layout.endLayout();
    const QRect inWindow(label->mapTo(label->window(), box.topLeft()), box.size());
    return fits && height <= box.height() + 0.5 && label->window()->rect().contains(inWindow) && label->isVisible();
}

}  // namespace ShownText
