#pragma once

#include <QLabel>

class MouseUpTextField;

// Who hears that the mouse button was released over the text field.
class MouseUpTextFieldDelegate {
public:
    virtual ~MouseUpTextFieldDelegate() = default;
    virtual void mouseUp(MouseUpTextField* textField) = 0;
};

// A text that tells its delegate when the mouse button is released over it,
// after handling the release itself. The left panels use it for the titles
// of their "All" and "Selected" buttons.
class MouseUpTextField : public QLabel {
    Q_OBJECT
public:
    explicit MouseUpTextField(QWidget* parent = nullptr);

    // Non-owning; the owner clears it before it goes away.
    MouseUpTextFieldDelegate* mouseDelegate() const { return mouseDelegate_; }
    void setMouseDelegate(MouseUpTextFieldDelegate* delegate) { mouseDelegate_ = delegate; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MouseUpTextFieldDelegate* mouseDelegate_ = nullptr;
};
