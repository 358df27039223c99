#include "CellViewDelegate.h"

#include "Main/Utilities.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <optional>

namespace {

// Runs with the light appearance when the surface stays white.
class SurfaceScope {
public:
    explicit SurfaceScope(bool light)
    {
        if (light) {
            scope_.emplace();
        }
    }

private:
    std::optional<RYTDarkMode::LightAppearanceScope> scope_;
};

QAbstractButton* enclosingButton(QWidget* widget, const QWidget* cell)
{
    for (QWidget* w = widget; w && w != cell; w = w->parentWidget()) {
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace

CellViewDelegate::CellViewDelegate(QAbstractItemView* view, CellViewProvider* provider)
    : QStyledItemDelegate(view)
    , view_(view)
    , viewport_(view->viewport())
    , provider_(provider)
{
    view->setItemDelegate(this);
    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
}

CellViewDelegate::~CellViewDelegate()
{
    qDeleteAll(cells_);
}

QWidget* CellViewDelegate::makeView(const QString& identifier) const
{
    return cells_.value(identifier, nullptr);
}

void CellViewDelegate::registerView(QWidget* cell, const QString& identifier)
{
    if (!cell) {
        return;
    }
    if (QWidget* old = cells_.value(identifier, nullptr); old && old != cell) {
        delete old;
    }
    cell->setParent(nullptr);
    // Shown, but never on screen: its layout and its children then behave as
    // in a window, so the cell paints as it would in a row.
    cell->setAttribute(Qt::WA_DontShowOnScreen);
    cell->setAttribute(Qt::WA_TranslucentBackground);
    cell->setAutoFillBackground(false);
    cell->show();
    cells_.insert(identifier, cell);
}

QRect CellViewDelegate::rowRect(const QModelIndex& index) const
{
    if (!view_) {
        return {};
    }
    QRect rect = view_->visualRect(index);
    // The cell spans the row, whatever the list indents.
    rect.setLeft(0);
    rect.setWidth(view_->viewport()->width());
    return rect;
}

QWidget* CellViewDelegate::fill(const QModelIndex& index, const QRect& rect) const
{
    if (!provider_ || !index.isValid()) {
        return nullptr;
    }
    QWidget* cell = provider_->cellViewForIndex(const_cast<CellViewDelegate*>(this), index);
    if (!cell) {
        return nullptr;
    }
    if (cell->size() != rect.size()) {
        cell->resize(rect.size());
    }
    if (QLayout* layout = cell->layout()) {
        layout->activate();
    }
    return cell;
}

QWidget* CellViewDelegate::cellForIndex(const QModelIndex& index)
{
    SurfaceScope scope(fixedLightSurface_);
    return fill(index, rowRect(index));
}

QRect CellViewDelegate::controlRect(const QModelIndex& index, QWidget* control)
{
    const QRect rect = rowRect(index);
    QWidget* cell = cellForIndex(index);
    if (!cell || !control || !cell->isAncestorOf(control)) {
        return {};
    }
    return QRect(control->mapTo(cell, QPoint(0, 0)) + rect.topLeft(), control->size());
}

bool CellViewDelegate::clickControl(const QModelIndex& index, const QString& name)
{
    QWidget* cell = cellForIndex(index);
    auto* button = cell ? cell->findChild<QAbstractButton*>(name) : nullptr;
    if (!button || !button->isEnabled() || !button->isVisible()) {
        return false;
    }
    SurfaceScope scope(fixedLightSurface_);
    button->click();
    updateIndex(index);
    return true;
}

void CellViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    SurfaceScope scope(fixedLightSurface_);
    QRect rect = option.rect;
    rect.setLeft(0);
    if (view_) {
        rect.setWidth(view_->viewport()->width());
    }
    QWidget* cell = fill(index, rect);
    if (!cell) {
        return;
    }
    // The pressed and hovered buttons look so in their own row only.
    QAbstractButton* down = pressedIndex_ == index ? pressedButton_.data() : nullptr;
    QAbstractButton* hover = hoverIndex_ == index ? hoverButton_.data() : nullptr;
    if (down && cell->isAncestorOf(down)) {
        down->setDown(true);
    }
    if (hover && cell->isAncestorOf(hover)) {
        const QPointF inside(1, 1);
        QEnterEvent enter(inside, inside, inside);
        QCoreApplication::sendEvent(hover, &enter);
    }
    // Rendered into an image first: rendering a widget straight into the
    // painter of another widget's paint event misplaces it by that widget's
    // offset in its window.
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (QSizeF(rect.size()) * scale).toSize();
    if (buffer_.size() != pixels || buffer_.devicePixelRatioF() != scale) {
        buffer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        buffer_.setDevicePixelRatio(scale);
    }
    buffer_.fill(Qt::transparent);
    cell->render(&buffer_, QPoint(), QRegion(), QWidget::DrawChildren);
    painter->save();
    const QVariant alpha = cell->property(alphaProperty);
    if (alpha.isValid()) {
        painter->setOpacity(painter->opacity() * alpha.toDouble());
    }
    painter->drawImage(rect.topLeft(), buffer_);
    painter->restore();
    if (down && cell->isAncestorOf(down)) {
        down->setDown(false);
    }
    if (hover && cell->isAncestorOf(hover)) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(hover, &leave);
    }
}

QSize CellViewDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int height = provider_ ? provider_->heightOfRow(index) : option.rect.height();
    return QSize(view_ ? view_->viewport()->width() : option.rect.width(), height);
}

QAbstractButton* CellViewDelegate::buttonAt(const QModelIndex& index, const QRect& rect, const QPoint& pos) const
{
    QWidget* cell = fill(index, rect);
    if (!cell) {
        return nullptr;
    }
    QAbstractButton* button = enclosingButton(cell->childAt(pos - rect.topLeft()), cell);
    return button && button->isEnabled() && button->isVisible() ? button : nullptr;
}

void CellViewDelegate::updateIndex(const QModelIndex& index)
{
    if (view_ && index.isValid()) {
        view_->viewport()->update(rowRect(index));
    }
}

void CellViewDelegate::setHover(const QModelIndex& index, QAbstractButton* button)
{
    if (hoverIndex_ == index && hoverButton_ == button) {
        return;
    }
    const QModelIndex old = hoverIndex_;
    hoverIndex_ = button ? QPersistentModelIndex(index) : QPersistentModelIndex();
    hoverButton_ = button;
    updateIndex(old);
    updateIndex(index);
}

bool CellViewDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the viewport kept apart: while the list is being
    // destroyed its viewport still sends events, and the list must not be
    // touched then.
    if (viewport_.isNull() || watched != viewport_.data()) {
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    // A list in its destructor is only a QWidget any more: the cast fails.
    if (!viewport_->isVisible() || !qobject_cast<QAbstractItemView*>(viewport_->parentWidget())) {
        return false;
    }
    SurfaceScope scope(fixedLightSurface_);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        const QPoint pos = mouse->position().toPoint();
        const QModelIndex index = view_->indexAt(pos);
        if (!index.isValid()) {
            break;
        }
        if (QAbstractButton* button = buttonAt(index, rowRect(index), pos)) {
            // A control takes the press; the row is not selected by it.
            pressedIndex_ = index;
            pressedButton_ = button;
            updateIndex(index);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (!pressedButton_) {
            pressedIndex_ = QPersistentModelIndex();
            break;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        const QModelIndex pressed = pressedIndex_;
        QPointer<QAbstractButton> button = pressedButton_;
        pressedIndex_ = QPersistentModelIndex();
        pressedButton_ = nullptr;
        updateIndex(pressed);
        if (pressed.isValid() && view_->indexAt(pos) == pressed && buttonAt(pressed, rowRect(pressed), pos) == button) {
            // The cell is filled for the pressed row now; its action sees
            // that row's values.
            button->click();
            updateIndex(pressed);
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        const QModelIndex index = view_->indexAt(pos);
        setHover(index, index.isValid() ? buttonAt(index, rowRect(index), pos) : nullptr);
        if (pressedButton_) {
            return true;
        }
        break;
    }
    case QEvent::Leave:
        setHover(QModelIndex(), nullptr);
        break;
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_->indexAt(help->pos());
        const QRect rect = rowRect(index);
        QWidget* cell = index.isValid() ? fill(index, rect) : nullptr;
        QString tip;
        QRect area;
        if (cell) {
            QWidget* under = cell->childAt(help->pos() - rect.topLeft());
            for (QWidget* w = under ? under : cell; w; w = w == cell ? nullptr : w->parentWidget()) {
                if (!w->toolTip().isEmpty()) {
                    tip = w->toolTip();
                    area = QRect(w->mapTo(cell, QPoint(0, 0)) + rect.topLeft(), w->size());
                    break;
                }
            }
        }
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), plainToolTip(tip), view_->viewport(), area);
        }
        return true;
    }
    default:
        break;
    }
    // The viewport is no editor: the base filter would treat its key and
    // focus events as an editor's.
    return false;
}
