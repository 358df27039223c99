#pragma once

#include <QLabel>
#include <QTextLayout>
#include <QTextOption>

// Whether a word-wrapped label shows the whole of its text.
namespace ShownText {

// True when every line of the label's text, laid out at the label's width
// with `option` (how the label wraps), lies within the label, and the label
// within its window: nothing of the text is cut off at an edge.
inline bool showsAll(const QLabel* label, const QTextOption& option)
{
    const QRect box = label->contentsRect();
    QTextLayout layout(label->text(), label->font());
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
