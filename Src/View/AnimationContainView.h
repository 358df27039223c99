#pragma once

#include <functional>

#include <QWidget>

// The clickable area around the home screen's plus icon. It reports the
// pointer entering and leaving it and a press inside it through three
// blocks, and passes none of these events on. It takes the focus by Tab:
// Space, Return or Enter then count as a press, and a ring marks it.
class AnimationContainView : public QWidget {
    Q_OBJECT
public:
    using Block = std::function<void()>;

    explicit AnimationContainView(QWidget* parent = nullptr);

    void setMouseEnteredBlock(Block block) { mouseEnteredBlock_ = std::move(block); }
    const Block& mouseEnteredBlock() const { return mouseEnteredBlock_; }
    void setMouseExitedBlock(Block block) { mouseExitedBlock_ = std::move(block); }
    const Block& mouseExitedBlock() const { return mouseExitedBlock_; }
    void setMouseDownBlock(Block block) { mouseDownBlock_ = std::move(block); }
    const Block& mouseDownBlock() const { return mouseDownBlock_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Block mouseEnteredBlock_;
    Block mouseExitedBlock_;
    Block mouseDownBlock_;
};
