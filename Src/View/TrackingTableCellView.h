#pragma once

#include <memory>

#include <QLabel>
#include <QPoint>

#include "QVLibrary/RYTableCellView.h"
#include "View/FolderTableView.h"

class RYTButton;

namespace Ui {
class TrackingTableCellView;
}

// Receives a row's delete request: the row number the button carries.
class TrackingTableCellViewProtocol {
public:
    virtual ~TrackingTableCellViewProtocol() = default;
    virtual void deleteFile(int tag) = 0;
};

// The text of a folder row. The whole text stays in text() (and in the tool
// tip the owner sets); a path is drawn as its folder's name over the path
// itself, each shortened to fit, any other text as one line.
class FolderPathTextField : public QLabel {
    Q_OBJECT
public:
    explicit FolderPathTextField(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A row of the home screen's folder list: an icon, the folder's text and a
// delete button that shows only while the pointer is over the row, or while
// the keyboard is on the row: the row then shows the focus ring round its
// card, and Delete, Backspace or Space press the button.
class TrackingTableCellView : public RYTableCellView, public FolderTableRowKeys {
    Q_OBJECT
public:
    explicit TrackingTableCellView(QWidget* parent = nullptr);
    ~TrackingTableCellView() override;

    RYTButton* deleteButton() const;
    QLabel* textField() const;

    // Non-owning; the owner of the table outlives its rows.
    TrackingTableCellViewProtocol* delegate() const { return delegate_; }
    void setDelegate(TrackingTableCellViewProtocol* delegate) { delegate_ = delegate; }

    // A row made or reused starts with its button hidden.
    Q_INVOKABLE void prepareForReuse();
    void mouseEntered();
    // The pointer left at `windowPoint` (in the window's coordinates). The
    // button stays when that point, moved 16 to the right, still lies in the
    // row's frame as the window's content sees it.
    void mouseExited(const QPoint& windowPoint);

    bool isKeyboardChosen() const { return keyboardChosen_; }
    void setKeyboardChosen(bool chosen) override;
    bool rowKey(QKeyEvent* event) override;

public slots:
    void deleteFileBtnAction();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showDeleteButton();

    std::unique_ptr<Ui::TrackingTableCellView> ui_;
    TrackingTableCellViewProtocol* delegate_ = nullptr;
    bool keyboardChosen_ = false;
};
