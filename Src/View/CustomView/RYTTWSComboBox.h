#pragma once

#include <functional>
#include <memory>

#include <QColor>
#include <QIcon>
#include <QPointer>
#include <QSizeF>

#include "KPLLeftDataTableRowView.h"
#include "QVLibrary/RYTView.h"
#include "QVLibrary/RYTableRowViewHost.h"
#include "QVLibrary/RYTableView.h"
#include "RYTTWSComboBoxItem.h"
#include "TruncatingLabel.h"

class IconView;
class RYTButton;
class RYTTWSComboBox;
class RYTTWSComboBoxTextCellView;
class ZWEventMonitor;

// Told of every change of a combo box's selection; null when it was cleared.
class RYTTWSComboBoxDelegate {
public:
    virtual ~RYTTWSComboBoxDelegate() = default;
    virtual void comboBoxSelectedItem(RYTTWSComboBox*, const RYTTWSComboBoxItemPtr&) {}
};

// A self-drawn selection control: a bar with the chosen item's title (with an
// optional prefix, subtitle and icon) and a disclosure button. The button (or,
// with enableClickAllArea, a press anywhere on the bar) opens the list of items
// right below the bar, in the bar's parent; choosing a row closes the list,
// selects the item and tells the delegate. A press outside the list, or
// Escape, closes it.
class RYTTWSComboBox : public RYTView,
                       public RYTableViewDelegate,
                       public RYTableRowViewDelegate,
                       public LeftDataTableRowViewDelegate {
    Q_OBJECT
public:
    explicit RYTTWSComboBox(QWidget* parent = nullptr);
    ~RYTTWSComboBox() override;

    // Non-owning; the owner clears it before it goes away.
    RYTTWSComboBoxDelegate* delegate() const { return delegate_; }
    void setDelegate(RYTTWSComboBoxDelegate* delegate) { delegate_ = delegate; }

    // ---- items ----
    QList<RYTTWSComboBoxItemPtr> items() const { return items_; }
    // An empty list, or one whose first entry is no item, empties the list.
    void setItems(const QList<RYTTWSComboBoxItemPtr>& items);
    void addItem(const RYTTWSComboBoxItemPtr& item);
    // Ignored for no item or an index beyond the end; the selected item stays
    // selected at its new index.
    void insertItem(const RYTTWSComboBoxItemPtr& item, int index);
    // Ignored for no item or an index outside the list; the selection index
    // stays as it was.
    void replaceItem(const RYTTWSComboBoxItemPtr& item, int index);
    void removeItemAtIndex(int index);
    void removeItem(const RYTTWSComboBoxItemPtr& item);
    void removeAllItems();
    int indexForItem(const RYTTWSComboBoxItemPtr& item) const;
    RYTTWSComboBoxItemPtr itemForIndex(int index) const;
    bool containsItem(const RYTTWSComboBoxItemPtr& item) const;

    // ---- selection ----
    // -1 clears the selection; other indexes outside the list change nothing.
    void selectItemAtIndex(int index);
    int selectedIndex() const { return selectedIndex_; }
    RYTTWSComboBoxItemPtr selectedItem() const;
    int highlightedIndex() const { return highlightedIndex_; }

    // ---- the bar's text ----
    void setTitle(const QString& title);
    void setTitle(const QString& title, const QString& subtitle);
    // A text with its coloured stretches, shown as it is.
    void setAttributedTitle(const QString& text, const QList<TruncatingLabel::ColorRun>& runs);

    // ---- the list ----
    // Opens the list, or closes it when it is open.
    void openComboBox();
    void closeComboBox();
    bool isOpened() const { return opened_; }
    void reloadData();

    // ---- looks and behaviour ----
    QString prefix() const { return prefix_; }
    void setPrefix(const QString& prefix) { prefix_ = prefix; }
    QColor prefixColor() const { return prefixColor_; }
    void setPrefixColor(const QColor& color) { prefixColor_ = color; }
    QColor titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color) { titleColor_ = color; }
    uint visibleCount() const { return visibleCount_; }
    void setVisibleCount(uint count) { visibleCount_ = count; }
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height) { rowHeight_ = height; }
    double offset() const { return offset_; }
    void setOffset(double offset) { offset_ = offset; }
    bool bordered() const { return bordered_; }
    void setBordered(bool bordered);
    bool adaptiveTitleWidth() const { return adaptiveTitleWidth_; }
    void setAdaptiveTitleWidth(bool adaptive) { adaptiveTitleWidth_ = adaptive; }
    QSizeF listCornerRadius() const { return listCornerRadius_; }
    void setListCornerRadius(const QSizeF& radius) { listCornerRadius_ = radius; }
    QColor selectedColor() const { return selectedColor_; }
    void setSelectedColor(const QColor& color) { selectedColor_ = color; }
    QColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(const QColor& color) { highlightColor_ = color; }
    double subviewBorderWidth() const { return subviewBorderWidth_; }
    void setSubviewBorderWidth(double width) { subviewBorderWidth_ = width; }
    QColor subviewBorderColor() const { return subviewBorderColor_; }
    void setSubviewBorderColor(const QColor& color) { subviewBorderColor_ = color; }
    QColor subviewBackgroundColor() const { return subviewBackgroundColor_; }
    void setSubviewBackgroundColor(const QColor& color) { subviewBackgroundColor_ = color; }
    uint iconScaling() const { return iconScaling_; }
    void setIconScaling(uint scaling);
    QString iconName() const { return iconName_; }
    // A non-empty name applies the disclosure images name, name_up,
    // name_down and name_dis.
    void setIconName(const QString& name);
    QColor disclosureBgColor() const { return disclosureBgColor_; }
    void setDisclosureBgColor(const QColor& color) { disclosureBgColor_ = color; }
    QColor disclosureSelectedColor() const { return disclosureSelectedColor_; }
    void setDisclosureSelectedColor(const QColor& color) { disclosureSelectedColor_ = color; }
    QColor disclosureHighlightColor() const { return disclosureHighlightColor_; }
    void setDisclosureHighlightColor(const QColor& color) { disclosureHighlightColor_ = color; }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    QColor selectedTextColor() const { return selectedTextColor_; }
    void setSelectedTextColor(const QColor& color) { selectedTextColor_ = color; }
    QColor highlightTextColor() const { return highlightTextColor_; }
    void setHighlightTextColor(const QColor& color) { highlightTextColor_ = color; }
    double subtitleFontSize() const { return subtitleFontSize_; }
    void setSubtitleFontSize(double size) { subtitleFontSize_ = size; }
    QColor subtitleTextColor() const { return subtitleTextColor_; }
    void setSubtitleTextColor(const QColor& color) { subtitleTextColor_ = color; }
    QColor subtitleSelectedTextColor() const { return subtitleSelectedTextColor_; }
    void setSubtitleSelectedTextColor(const QColor& color) { subtitleSelectedTextColor_ = color; }
    QColor subtitleHighlightTextColor() const { return subtitleHighlightTextColor_; }
    void setSubtitleHighlightTextColor(const QColor& color) { subtitleHighlightTextColor_ = color; }
    // 3 shortens the start, 4 the end, 5 the middle; others clip.
    uint lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(uint mode);
    bool enableClickAllArea() const { return enableClickAllArea_; }
    void setEnableClickAllArea(bool enable) { enableClickAllArea_ = enable; }
    std::function<void(RYTTWSComboBox*)> mouseDidEntered() const { return mouseDidEntered_; }
    void setMouseDidEntered(std::function<void(RYTTWSComboBox*)> block) { mouseDidEntered_ = std::move(block); }
    // Called when the mouse leaves the closed bar and when the list closes.
    std::function<void(RYTTWSComboBox*)> mouseDidExited() const { return mouseDidExited_; }
    void setMouseDidExited(std::function<void(RYTTWSComboBox*)> block) { mouseDidExited_ = std::move(block); }

    // Redraws, re-applies the disclosure images and enables the buttons
    // exactly while there are items.
    void setNeedsDisplay();

    // The parts, for the screens' layouts and for tests.
    TruncatingLabel* titleLabel() const { return titleLabel_; }
    TruncatingLabel* subtitleLabel() const { return subtitleLabel_; }
    IconView* iconView() const { return iconView_; }
    RYTButton* disclosureButton() const { return disclosureButton_; }
    RYTButton* backgroundButton() const { return backgroundButton_; }
    QWidget* tableContainer() const { return tableContainer_; }
    RYTableView* tableView() const { return tableView_; }
    // The height of a line of text in the system font of that size.
    static double textHeight(double fontSize);

    // The list's cell for a row, filled as the list paints it.
    RYTTWSComboBoxTextCellView* cellViewForRow(int row);

    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;
    void tableViewMouseDownRow(RYTableView* table, int row, int column, QMouseEvent* event) override;
    void tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;
    void tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    class ListModel;
    class CellDelegate;

    void awakeFromNib();
    void layoutBar();
    void setDisclosureButton(bool opened);
    void updateState();
    QRect listRect() const;
    void resizeList();
    void clearMarks(int index);
    void changeHighlight(KPLLeftDataTableRowView* rowView, bool highlighted);
    void monitorEvent(QEvent* event);
    Qt::TextElideMode elideMode() const;

    RYTTWSComboBoxDelegate* delegate_ = nullptr;
    QList<RYTTWSComboBoxItemPtr> items_;
    QString prefix_;
    QColor prefixColor_;
    QColor titleColor_;
    uint visibleCount_ = 5;
    double rowHeight_ = 25.0;
    double offset_ = 1.0;
    bool bordered_ = false;
    bool adaptiveTitleWidth_ = false;
    QSizeF listCornerRadius_;
    QColor selectedColor_;
    QColor highlightColor_;
    double subviewBorderWidth_ = 0.0;
    QColor subviewBorderColor_;
    QColor subviewBackgroundColor_ = Qt::white;
    uint iconScaling_ = 0;
    QString iconName_;
    QColor disclosureBgColor_;
    QColor disclosureSelectedColor_;
    QColor disclosureHighlightColor_;
    double fontSize_ = 14.0;
    QColor textColor_ = Qt::black;
    QColor selectedTextColor_ = Qt::white;
    QColor highlightTextColor_ = Qt::white;
    double subtitleFontSize_ = 0.0;
    QColor subtitleTextColor_;
    QColor subtitleSelectedTextColor_;
    QColor subtitleHighlightTextColor_;
    uint lineBreakMode_ = 4;
    bool enableClickAllArea_ = false;
    std::function<void(RYTTWSComboBox*)> mouseDidEntered_;
    std::function<void(RYTTWSComboBox*)> mouseDidExited_;

    IconView* iconView_ = nullptr;
    TruncatingLabel* titleLabel_ = nullptr;
    TruncatingLabel* subtitleLabel_ = nullptr;
    RYTButton* backgroundButton_ = nullptr;
    RYTButton* disclosureButton_ = nullptr;
    QPointer<QWidget> tableContainer_;
    QPointer<RYTableView> tableView_;
    ListModel* model_ = nullptr;
    std::unique_ptr<RYTTWSComboBoxTextCellView> cellView_;
    std::unique_ptr<ZWEventMonitor> monitor_;
    int selectedIndex_ = -1;
    int highlightedIndex_ = -1;
    bool opened_ = false;
    // The stored layout values of the bar.
    double iconWidth_ = 20.0;
    double titleCenterY_ = 0.0;
    double titleHeight_ = 8.0;
    double titleLeading_ = 5.0;
    double subtitleHeight_ = 8.0;
};
