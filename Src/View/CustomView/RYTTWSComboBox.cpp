#include "RYTTWSComboBox.h"

#include "IconView.h"
#include "KPLScrollView.h"
#include "QVBaseLib/RYLog.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"
#include "RYTTWSComboBoxTextCellView.h"
#include "View/PreferenceView/ZWEventMonitor.h"

#include "View/Extension/KPLExtensionView.h"

#include <QAbstractListModel>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>

// The list's rows: one per item.
class RYTTWSComboBox::ListModel : public QAbstractListModel {
public:
    explicit ListModel(RYTTWSComboBox* box)
        : QAbstractListModel(box)
        , box_(box)
    {
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(box_->items_.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= box_->items_.size()) {
            return {};
        }
        return box_->items_[index.row()]->title();
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        // Selectable, never editable.
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }
    void rowChanged(int row) { emit dataChanged(index(row), index(row)); }

private:
    RYTTWSComboBox* box_;
};

// Paints each row's cell from the combo box's cell view.
class RYTTWSComboBox::CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(RYTTWSComboBox* box)
        : QStyledItemDelegate(box)
        , box_(box)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        RYTTWSComboBoxTextCellView* cell = box_->cellViewForRow(index.row());
        if (!cell) {
            return;
        }
        cell->drawInRect(painter, option.rect);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), int(box_->rowHeight_ + 2.0));
    }

private:
    RYTTWSComboBox* box_;
};

RYTTWSComboBox::RYTTWSComboBox(QWidget* parent)
    : RYTView(parent)
{
    // The shared defaults (the properties above hold the rest).
    selectedColor_ = QColor(0, 122, 255);
    highlightColor_ = QColor(0, 122, 255);
    setBorderColor(Qt::transparent);
    setBorderWidth(1.0);
    setCornerRadius(QSizeF(0, 0));
    setBackgroundColor(QColor(170, 170, 170));
    setMouseTracking(true);
    model_ = new ListModel(this);
    awakeFromNib();
}

RYTTWSComboBox::~RYTTWSComboBox()
{
    monitor_.reset();
    if (tableView_) {
        tableView_->setDelegate(nullptr);
        if (auto* host = RYTableRowViewHost::hostOf(tableView_)) {
            host->setDelegate(nullptr);
        }
        // The list lives in the bar's parent; it goes with the bar.
        delete tableContainer_.data();
    }
}

void RYTTWSComboBox::awakeFromNib()
{
    iconView_ = new IconView(this);
    titleLabel_ = new TruncatingLabel(this);
    subtitleLabel_ = new TruncatingLabel(this);
    for (TruncatingLabel* label : {titleLabel_, subtitleLabel_}) {
        label->setFont(systemFont(fontSize_));
        label->setTextColor(textColor_);
        label->setElideMode(elideMode());
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    backgroundButton_ = new RYTButton(this);
    backgroundButton_->setFocusPolicy(Qt::NoFocus);
    backgroundButton_->setBorderWidth(0.0);
    disclosureButton_ = new RYTButton(this);
    disclosureButton_->setFocusPolicy(Qt::NoFocus);
    disclosureButton_->setBorderWidth(0.0);
    connect(disclosureButton_, &RYTButton::clicked, this, &RYTTWSComboBox::openComboBox);
    disclosureButton_->raise();
    setNeedsDisplay();
    layoutBar();
}

Qt::TextElideMode RYTTWSComboBox::elideMode() const
{
    switch (lineBreakMode_) {
    case 3:
        return Qt::ElideLeft;
    case 4:
        return Qt::ElideRight;
    case 5:
        return Qt::ElideMiddle;
    default:
        return Qt::ElideNone;
    }
}

double RYTTWSComboBox::textHeight(double fontSize)
{
    const double height = QFontMetricsF(systemFont(fontSize)).height();
    return height > 1.0 ? height : 16.0;
}

// ---- the bar -----------------------------------------------------------------

void RYTTWSComboBox::layoutBar()
{
    const int w = width();
    const int h = height();
    backgroundButton_->setGeometry(w - 40, 0, 40, h);
    disclosureButton_->setGeometry(w - 5 - 20, (h - 20) / 2, 20, 20);
    iconView_->setGeometry(5, (h - 20) / 2, int(iconWidth_), 20);
    const int titleX = int(5 + iconWidth_ + titleLeading_);
    const int titleWidth = qMax(0, w - 40 - titleX);
    const int titleH = qMax(8, qCeil(titleHeight_));
    const int titleTop = int(std::floor((h - titleH) / 2.0 + titleCenterY_));
    titleLabel_->setGeometry(titleX, titleTop, titleWidth, titleH);
    subtitleLabel_->setGeometry(titleX, titleTop + titleH + 1, titleWidth, qMax(8, qCeil(subtitleHeight_)));
}

void RYTTWSComboBox::resizeEvent(QResizeEvent* event)
{
    RYTView::resizeEvent(event);
    layoutBar();
}

void RYTTWSComboBox::setDisclosureButton(bool opened)
{
    if (iconName_.isEmpty()) {
        return;
    }
    const QIcon normal = RYTImage::named(iconName_);
    QIcon up = RYTImage::named(iconName_ + QStringLiteral("_up"));
    if (up.isNull()) {
        up = normal;
    }
    QIcon down = RYTImage::named(iconName_ + QStringLiteral("_down"));
    if (down.isNull()) {
        down = up;
    }
    QIcon disabled = RYTImage::named(iconName_ + QStringLiteral("_dis"));
    if (disabled.isNull()) {
        disabled = normal;
    }
    if (opened) {
        disclosureButton_->setButtonStateImage(down, down, down, down);
    } else {
        disclosureButton_->setButtonStateImage(normal, up, down, disabled);
    }
    disclosureButton_->update();
}

void RYTTWSComboBox::updateState()
{
    const bool any = !items_.isEmpty();
    disclosureButton_->setEnabled(any);
    backgroundButton_->setEnabled(any);
}

void RYTTWSComboBox::setNeedsDisplay()
{
    update();
    // The disclosure shows the state the list is in.
    setDisclosureButton(opened_);
    updateState();
    backgroundButton_->setButtonStateColor(disclosureBgColor_, disclosureHighlightColor_, disclosureSelectedColor_,
                                           QColor());
}

void RYTTWSComboBox::setBordered(bool bordered)
{
    bordered_ = bordered;
    if (!bordered) {
        setBorderWidth(0.0);
    } else if (!borderColor().isValid()) {
        setBorderColor(Qt::red);
    }
    update();
}

void RYTTWSComboBox::setIconScaling(uint scaling)
{
    iconScaling_ = scaling;
    disclosureButton_->update();
}

void RYTTWSComboBox::setIconName(const QString& name)
{
    if (name.isEmpty()) {
        return;
    }
    iconName_ = name;
    setDisclosureButton(opened_);
}

void RYTTWSComboBox::setFontSize(double size)
{
    fontSize_ = size;
    titleLabel_->setFont(systemFont(size));
}

void RYTTWSComboBox::setTextColor(const QColor& color)
{
    textColor_ = color;
    if (color.isValid()) {
        titleLabel_->setTextColor(color);
    }
}

void RYTTWSComboBox::setLineBreakMode(uint mode)
{
    lineBreakMode_ = mode;
    titleLabel_->setElideMode(elideMode());
}

void RYTTWSComboBox::setTitle(const QString& title)
{
    setTitle(title, QString());
}

void RYTTWSComboBox::setTitle(const QString& title, const QString& subtitle)
{
    RYLog::shared().writeData(QStringLiteral("=== %1 %2(%3)").arg(prefix_, title, subtitle));
    QString text;
    if (!prefix_.isEmpty() && !title.isEmpty()) {
        text = prefix_ + QLatin1Char(' ') + title;
    } else if (!prefix_.isEmpty()) {
        text = prefix_;
    } else if (!title.isEmpty()) {
        text = title;
    }
    QList<TruncatingLabel::ColorRun> runs;
    if (!text.isEmpty() && !prefix_.isEmpty() && prefixColor_.isValid()) {
        runs.append({int(text.indexOf(prefix_)), int(prefix_.size()), prefixColor_});
    }
    if (!text.isEmpty() && !title.isEmpty() && titleColor_.isValid()) {
        runs.append({int(text.indexOf(title)), int(title.size()), titleColor_});
    }
    titleLabel_->setElideMode(elideMode());
    titleLabel_->setColoredText(text, runs);
    titleHeight_ = textHeight(fontSize_);
    if (!subtitle.isEmpty()) {
        titleCenterY_ = -0.5 * std::ceil(textHeight(fontSize_));
        subtitleHeight_ = textHeight(subtitleFontSize_);
        subtitleLabel_->setFont(systemFont(subtitleFontSize_));
        subtitleLabel_->setElideMode(elideMode());
        subtitleLabel_->setText(subtitle);
        subtitleLabel_->setTextColor(subtitleTextColor_.isValid() && !title.isEmpty() ? subtitleTextColor_ : textColor_);
    } else {
        subtitleLabel_->clear();
        titleCenterY_ = 0.0;
        subtitleHeight_ = 0.0;
    }
    layoutBar();
}

void RYTTWSComboBox::setAttributedTitle(const QString& text, const QList<TruncatingLabel::ColorRun>& runs)
{
    titleLabel_->setColoredText(text, runs);
}

// ---- items -------------------------------------------------------------------

void RYTTWSComboBox::setItems(const QList<RYTTWSComboBoxItemPtr>& items)
{
    items_.clear();
    if (items.isEmpty() || !items.first()) {
        return;
    }
    for (const RYTTWSComboBoxItemPtr& item : items) {
        if (item) {
            items_.append(item);
        }
    }
}

void RYTTWSComboBox::addItem(const RYTTWSComboBoxItemPtr& item)
{
    insertItem(item, int(items_.size()));
}

void RYTTWSComboBox::insertItem(const RYTTWSComboBoxItemPtr& item, int index)
{
    if (!item || index < 0 || index > items_.size()) {
        return;
    }
    // The selection follows its item, which may move down a place.
    const RYTTWSComboBoxItemPtr selected = selectedItem();
    items_.insert(index, item);
    if (selected) {
        selectedIndex_ = int(items_.indexOf(selected));
    }
    updateState();
}

void RYTTWSComboBox::replaceItem(const RYTTWSComboBoxItemPtr& item, int index)
{
    if (!item || index < 0 || index >= items_.size()) {
        return;
    }
    items_.removeAt(index);
    items_.insert(index, item);
}

void RYTTWSComboBox::removeItemAtIndex(int index)
{
    if (index < 0 || index >= items_.size()) {
        return;
    }
    if (index == selectedIndex_) {
        selectItemAtIndex(-1);
        items_.removeAt(index);
    } else {
        const RYTTWSComboBoxItemPtr selected = selectedItem();
        items_.removeAt(index);
        selectedIndex_ = selected ? int(items_.indexOf(selected)) : -1;
    }
    updateState();
}

void RYTTWSComboBox::removeItem(const RYTTWSComboBoxItemPtr& item)
{
    if (!item) {
        return;
    }
    const int index = indexForItem(item);
    const RYTTWSComboBoxItemPtr selected = selectedItem();
    if (selected && selected->isEqual(*item)) {
        selectItemAtIndex(-1);
        if (index >= 0) {
            items_.removeAt(index);
        }
    } else {
        if (index >= 0) {
            items_.removeAt(index);
        }
        selectedIndex_ = selected ? int(items_.indexOf(selected)) : -1;
    }
    updateState();
}

void RYTTWSComboBox::removeAllItems()
{
    selectItemAtIndex(-1);
    items_.clear();
    updateState();
}

int RYTTWSComboBox::indexForItem(const RYTTWSComboBoxItemPtr& item) const
{
    if (!item) {
        return -1;
    }
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i]->isEqual(*item)) {
            return i;
        }
    }
    return -1;
}

RYTTWSComboBoxItemPtr RYTTWSComboBox::itemForIndex(int index) const
{
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

bool RYTTWSComboBox::containsItem(const RYTTWSComboBoxItemPtr& item) const
{
    return indexForItem(item) >= 0;
}

// ---- selection ---------------------------------------------------------------

RYTTWSComboBoxItemPtr RYTTWSComboBox::selectedItem() const
{
    return itemForIndex(selectedIndex_);
}

void RYTTWSComboBox::clearMarks(int index)
{
    if (RYTTWSComboBoxItemPtr item = itemForIndex(index)) {
        item->setSelected(false);
        item->setHighlighted(false);
    }
}

void RYTTWSComboBox::selectItemAtIndex(int index)
{
    if (index == -1) {
        clearMarks(selectedIndex_);
        setTitle(QString());
        selectedIndex_ = -1;
        if (delegate_) {
            delegate_->comboBoxSelectedItem(this, nullptr);
        }
        return;
    }
    if (index < 0 || index >= items_.size()) {
        return;
    }
    clearMarks(selectedIndex_);
    const RYTTWSComboBoxItemPtr item = items_[index];
    setTitle(item->title(), item->subtitle());
    item->setSelected(true);
    item->setHighlighted(false);
    const QIcon icon = !item->selectedImage().isNull() ? item->selectedImage() : item->image();
    if (icon.isNull()) {
        // The icon view keeps what it showed; it just takes no room.
        iconWidth_ = 0.0;
    } else {
        iconView_->setImage(icon);
        iconWidth_ = 20.0;
    }
    layoutBar();
    selectedIndex_ = index;
    if (delegate_) {
        delegate_->comboBoxSelectedItem(this, item);
    }
}

// ---- the list ----------------------------------------------------------------

QRect RYTTWSComboBox::listRect() const
{
    const int rows = int(qMin<qsizetype>(visibleCount_, items_.size()));
    const int h = int((rowHeight_ + 2.0) * rows);
    // Right below the bar, in the bar's parent.
    return QRect(x(), y() + height() + int(offset_), width(), h);
}

void RYTTWSComboBox::resizeList()
{
    if (!opened_ || !tableContainer_) {
        return;
    }
    tableContainer_->setGeometry(listRect());
}

void RYTTWSComboBox::openComboBox()
{
    if (opened_) {
        closeComboBox();
        return;
    }
    RYLog::shared().writeData(QStringLiteral(">>> RYComboBox opened"));
    QPointer<RYTTWSComboBox> weak(this);
    monitor_ = std::make_unique<ZWEventMonitor>(
        ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown | ZWEventMonitor::rightMouseDown | ZWEventMonitor::keyDown,
        [weak](QWidget*, QEvent* event) {
            if (weak) {
                weak->monitorEvent(event);
            }
        });
    monitor_->start();
    opened_ = true;
    setDisclosureButton(true);

    QWidget* parent = parentWidget();
    if (!parent) {
        parent = this;
    }
    auto* container = new QWidget(parent);
    container->setAutoFillBackground(true);
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, subviewBackgroundColor_);
    palette.setColor(QPalette::Base, subviewBackgroundColor_);
    container->setPalette(palette);
    container->setGeometry(listRect());

    auto* table = new RYTableView(container);
    table->setPalette(palette);
    table->setModel(model_);
    table->setItemDelegate(new CellDelegate(this));
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(int(rowHeight_ + 2.0));
    table->setShowGrid(false);
    table->setFocusPolicy(Qt::NoFocus);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The program's thin scroller, shown only when the list scrolls.
    KPLScrollViewLook* look = KPLScrollViewLook::applyTo(table);
    look->setFillColor(subviewBackgroundColor_);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->setDelegate(this);
    new RYTableRowViewHost(table, this);
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table);
    tableContainer_ = container;
    tableView_ = table;
    model_->reload();

    if (selectedIndex_ >= 0 && selectedIndex_ < items_.size()) {
        table->scrollTo(model_->index(selectedIndex_), QAbstractItemView::EnsureVisible);
        table->selectRow(selectedIndex_);
        highlightedIndex_ = -1;
    }
    if (bordered_) {
        table->setBorderColor(subviewBorderColor_);
        table->setBorderWidth(float(subviewBorderWidth_));
    }
    const double radius = listCornerRadius_.isNull() ? cornerRadius().width() : listCornerRadius_.width();
    table->setCornerRadius(float(radius));
    container->raise();
    container->show();
    QTimer::singleShot(100, table, [table] { table->drawTableViewBorder(); });
}

void RYTTWSComboBox::closeComboBox()
{
    if (!opened_) {
        return;
    }
    opened_ = false;
    if (tableContainer_) {
        // Possibly inside a press on the list itself: it goes later.
        tableContainer_->hide();
        tableView_->setDelegate(nullptr);
        tableContainer_->deleteLater();
    }
    tableContainer_ = nullptr;
    tableView_ = nullptr;
    RYLog::shared().writeData(QStringLiteral(">>> RYComboBox closed"));
    setDisclosureButton(false);
    monitor_.reset();
    if (mouseDidExited_) {
        mouseDidExited_(this);
        setNeedsDisplay();
    }
}

void RYTTWSComboBox::reloadData()
{
    setNeedsDisplay();
    if (selectedIndex_ == -1) {
        setTitle(QString());
    } else {
        selectItemAtIndex(selectedIndex_);
    }
    if (items_.isEmpty()) {
        closeComboBox();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        resizeList();
        model_->reload();
        if (tableView_ && selectedIndex_ >= 0 && selectedIndex_ < items_.size()) {
            tableView_->selectRow(selectedIndex_);
        }
    });
}

void RYTTWSComboBox::monitorEvent(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            closeComboBox();
        }
        return;
    }
    QWidget* parent = parentWidget();
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!parent || !mouse) {
        return;
    }
    const QPoint at = parent->mapFromGlobal(mouse->globalPosition().toPoint());
    const QRect disclosure(disclosureButton_->mapTo(parent, QPoint(0, 0)), disclosureButton_->size());
    if (disclosure.contains(at)) {
        // The button toggles the list itself.
        return;
    }
    const QRect table = tableContainer_ ? tableContainer_->geometry() : QRect();
    if (!enableClickAllArea_) {
        if (!table.contains(at)) {
            closeComboBox();
        }
        return;
    }
    if (table.contains(at)) {
        return;
    }
    // A press on the bar toggles the list through the bar's own handling.
    if (!geometry().contains(at)) {
        closeComboBox();
    }
}

void RYTTWSComboBox::mousePressEvent(QMouseEvent* event)
{
    if (!enableClickAllArea_) {
        RYTView::mousePressEvent(event);
        return;
    }
    if (opened_) {
        closeComboBox();
    } else {
        openComboBox();
    }
    event->accept();
}

void RYTTWSComboBox::enterEvent(QEnterEvent* event)
{
    if (mouseDidEntered_) {
        mouseDidEntered_(this);
    }
    setNeedsDisplay();
    RYTView::enterEvent(event);
}

void RYTTWSComboBox::leaveEvent(QEvent* event)
{
    if (!opened_) {
        if (mouseDidExited_) {
            mouseDidExited_(this);
        }
        setNeedsDisplay();
    }
    RYTView::leaveEvent(event);
}

// ---- the list's cells and rows -------------------------------------------------

RYTTWSComboBoxTextCellView* RYTTWSComboBox::cellViewForRow(int row)
{
    const RYTTWSComboBoxItemPtr item = itemForIndex(row);
    if (!item) {
        return nullptr;
    }
    if (!cellView_) {
        cellView_ = std::make_unique<RYTTWSComboBoxTextCellView>();
        cellView_->setIdentifier(QStringLiteral("RYTTWSComboBox"));
    }
    RYTTWSComboBoxTextCellView* cell = cellView_.get();
    cell->prepareForReuse();
    cell->titleLabel()->setFont(systemFont(fontSize_));
    cell->titleLabel()->setText(item->title());
    QColor titleColor = textColor_.isValid() ? textColor_ : QColor(Qt::black);
    if (item->isSelected()) {
        titleColor = selectedTextColor_;
    } else if (item->isHighlighted()) {
        titleColor = highlightTextColor_;
    }
    cell->titleLabel()->setTextColor(titleColor);
    if (!item->subtitle().isEmpty()) {
        cell->setHasSubtitle(true);
        cell->subtitleLabel()->setFont(systemFont(subtitleFontSize_));
        cell->subtitleLabel()->setText(item->subtitle());
        QColor subtitleColor = subtitleTextColor_;
        if (item->isSelected()) {
            subtitleColor = subtitleSelectedTextColor_;
        } else if (item->isHighlighted()) {
            subtitleColor = subtitleHighlightTextColor_;
        }
        if (!subtitleColor.isValid()) {
            subtitleColor = Qt::black;
        }
        cell->subtitleLabel()->setTextColor(subtitleColor);
    }
    cell->setImage(item->isSelected() || item->isHighlighted() ? item->selectedImage() : item->image());
    return cell;
}

RYTableRowView* RYTTWSComboBox::rowViewForRow(RYTableRowViewHost* host, int row)
{
    const QString id = KPLLeftDataTableRowView::reuseIdentifier();
    auto* view = static_cast<KPLLeftDataTableRowView*>(host->makeRowView(id));
    if (!view) {
        view = new KPLLeftDataTableRowView;
        view->setIdentifier(id);
        view->setSelectedEdgeInsets(1, 5, 1, 40);
        view->setRadius(4);
        view->setBgColor(subviewBackgroundColor_);
        view->setSelectedColor(selectedColor_);
        view->setHighlightColor(highlightColor_);
        view->setDelegate(this);
    }
    view->setRow(row);
    return view;
}

void RYTTWSComboBox::tableViewMouseDownRow(RYTableView*, int row, int, QMouseEvent*)
{
    if (row < 0 || row >= items_.size()) {
        return;
    }
    closeComboBox();
    clearMarks(selectedIndex_);
    selectItemAtIndex(row);
}

void RYTTWSComboBox::changeHighlight(KPLLeftDataTableRowView* rowView, bool highlighted)
{
    const int row = rowView->row();
    if (row < 0 || row >= items_.size()) {
        return;
    }
    items_[row]->setHighlighted(highlighted);
    highlightedIndex_ = highlighted ? row : -1;
    model_->rowChanged(row);
}

void RYTTWSComboBox::tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    changeHighlight(rowView, true);
}

void RYTTWSComboBox::tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    changeHighlight(rowView, false);
}
