#pragma once

#include <QByteArrayList>
#include <QWidget>

class DragDropView;
class QMimeData;
class QUrl;

// Told about folders dragged over and dropped on a DragDropView.
class DragDropViewDelegate {
public:
    virtual ~DragDropViewDelegate() = default;
    // A drag holding at least one acceptable folder came in.
    virtual void draggingEntered(DragDropView* view) = 0;
    // That drag left without being dropped.
    virtual void draggingExited(DragDropView* view) = 0;
    // The drag was dropped; the accepted paths, as the system's bytes. They
    // are not yet known to be folders, or to exist.
    virtual void dragDrop(DragDropView* view, const QByteArrayList& filePathList) = 0;
};

// A transparent drop area for folders dragged from a file manager. Of the
// dragged items only local ones whose name does not end in ".app" are
// taken; other addresses and application bundles are refused. The view
// looks only at the addresses, never at the items: the delegate finds out
// off the main thread which of them are existing folders. A drag holding
// nothing acceptable is refused as a whole: the
// view shows the "FileProhibited" pointer on itself while such a drag is
// over it (where the dragging program draws the pointer, the desktop's
// no-drop pointer shows instead) and tells the delegate nothing.
class DragDropView : public QWidget {
    Q_OBJECT
public:
    enum class DragOperation { none, copy };

    explicit DragDropView(QWidget* parent = nullptr);

    // Non-owning; the owner clears it before it goes away.
    DragDropViewDelegate* delegate() const { return delegate_; }
    void setDelegate(DragDropViewDelegate* delegate) { delegate_ = delegate; }

    // 1 while the drag under way holds only refused items.
    qint64 isFile() const { return isFile_; }
    void setIsFile(qint64 value) { isFile_ = value; }
    // Set to 1 when a drag leaves; the owning screen clears it.
    qint64 isDrag() const { return isDrag_; }
    void setIsDrag(qint64 value) { isDrag_ = value; }
    // The accepted paths of the current drag, taken from the bytes of the
    // dragged URLs: a name need not be UTF-8.
    QByteArrayList pathList() const { return pathList_; }
    // A local address whose name does not end in ".app".
    static bool isAcceptableItem(const QUrl& url);

    // The three steps of a drag, as the drag events drive them.
    DragOperation draggingEntered(const QMimeData* data);
    void draggingExited();
    bool prepareForDragOperation();

    bool showsProhibitedCursor() const { return prohibited_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void showProhibitedCursor(bool show);

    DragDropViewDelegate* delegate_ = nullptr;
    qint64 isFile_ = 0;
    qint64 isDrag_ = 0;
    QByteArrayList pathList_;
    bool accepted_ = false;
    bool prohibited_ = false;
};
