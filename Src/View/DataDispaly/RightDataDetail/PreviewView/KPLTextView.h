#pragma once

#include <QTextEdit>

// A text view that behaves as the platform's.
class KPLTextView : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;
};
