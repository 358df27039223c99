#include "CellLooks.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "Model/FileInfo.h"
#include "View/Extension/KPLExtension.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include "View/CustomView/SelectViewPair.h"
#include "View/DataDispaly/LeftData/MouseUpTextField.h"
#include <QIcon>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace CellLooks {

namespace {

class WhiteBoxPainter : public QObject {
public:
    WhiteBoxPainter(QObject* parent, double radius)
        : QObject(parent)
        , radius_(radius)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            auto* box = static_cast<QWidget*>(watched);
            QPainter painter(box);
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(QRectF(box->rect()), radius_, radius_);
            painter.fillPath(path, Qt::white);
            return true;
        }
        return false;
    }

private:
    double radius_;
};

}  // namespace

void setFilterButtonLook(RYTButton* button, const QColor& fill, const QColor& title)
{
    button->setButtonStateColor(fill, fill, fill, fill);
    button->setTitleColors({title});
}

void setCaptionColor(QLabel* label, const QColor& color)
{
    // Inside a button a label draws in the button's text role.
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    label->setPalette(palette);
}

void setUpFilterButtons(RYTButton* all, RYTButton* selected, MouseUpTextField* allLabel,
                        MouseUpTextField* selectedLabel, MouseUpTextFieldDelegate* delegate)
{
    for (RYTButton* button : {all, selected}) {
        button->setCornerRadius(8.0);
        button->setBorderWidth(0.0);
        button->setCheckable(true);
    }
    all->setChecked(true);
    selected->setChecked(false);
    // One stop of Tab, the filter shown; the keys switch as a click does.
    new SelectViewPair(all, selected, all);
    QFont labelFont;
    labelFont.setPixelSize(14);
    allLabel->setFont(labelFont);
    allLabel->setText(localized("All"));
    allLabel->setMouseDelegate(delegate);
    selectedLabel->setFont(labelFont);
    selectedLabel->setText(localized("Selected"));
    selectedLabel->setMouseDelegate(delegate);
}

void setUpCategoryTable(QTableView* table, int rowHeight)
{
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->setShowGrid(false);
    setUpResultList(table);
    QPalette palette = table->viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    table->viewport()->setPalette(palette);
}

void paintWhiteRoundedBox(QWidget* box, double radius)
{
    box->installEventFilter(new WhiteBoxPainter(box, radius));
}

void setUpCheckBox(RYTCheckBox* box)
{
    box->setState(RYTCheckBox::stateOff);
    box->setIconName(QStringLiteral("Selected"));
    box->setIsHover(false);
    box->setButtonType(RYTCheckBox::buttonTypeSwitch);
}

void setLabel(QLabel* label, int pixels, bool bold, const QString& colorName, double alpha)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, assetColor(colorName, alpha));
    label->setPalette(palette);
}

void setUpOpenFileButton(RYTButton* button)
{
    const QIcon normal = RYTImage::named(QStringLiteral("right_openFile_normal"));
    button->setButtonStateImage(normal, RYTImage::named(QStringLiteral("right_openFile_hover")),
                                RYTImage::named(QStringLiteral("right_openFile_click")), normal);
    button->setToolTip(localized("Open"));
}

void setUpErrorImage(QLabel* imageView)
{
    setIcon(imageView, RYTImage::named(QStringLiteral("right_removeError")));
}

QColor lightColor(const QString& name, double alpha)
{
    QColor color = RYTDarkMode::colorNamed(name, false);
    if (!color.isValid()) {
        color = Qt::red;
    }
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

QIcon fileIcon(const FileInfo& file)
{
    QIcon icon = file.icon();
    if (!icon.isNull()) {
        return icon;
    }
    switch (file.fileType()) {
    case FileType::video: return RYTImage::named(QStringLiteral("left_Video"));
    case FileType::audio: return RYTImage::named(QStringLiteral("left_Audio"));
    case FileType::picture: return RYTImage::named(QStringLiteral("left_Photos"));
    case FileType::document: return RYTImage::named(QStringLiteral("left_Document"));
    case FileType::other: break;
    }
    return RYTImage::named(QStringLiteral("left_Others"));
}

std::pair<qsizetype, qsizetype> differingFolders(const FileInfo& file, const QList<FileInfoPtr>& copies)
{
    // On the bytes the system named the files with, without decoding every
    // copy for every row painted: a group may have thousands of copies.
    const QByteArray path = file.path();
    qsizetype shared = path.size();
    qsizetype sharedEnd = path.size();
    bool another = false;
    for (const FileInfoPtr& copy : copies) {
        if (!copy || copy.get() == &file) {
            continue;
        }
        const QByteArray other = copy->path();
        const qsizetype most = std::min(path.size(), other.size());
        qsizetype front = 0;
        while (front < std::min(most, shared) && path[front] == other[front]) {
            ++front;
        }
        qsizetype end = 0;
        while (end < std::min(most, sharedEnd) && path[path.size() - 1 - end] == other[other.size() - 1 - end]) {
            ++end;
        }
        shared = std::min(shared, front);
        sharedEnd = std::min(sharedEnd, end);
        another = true;
    }
    if (!another) {
        return {-1, -1};
    }
    // Whole folders: from the start of the one where the copies part to the
    // end of the one where they meet again.
    const qsizetype from = shared > 0 ? path.lastIndexOf('/', shared - 1) + 1 : 0;
    qsizetype to = path.indexOf('/', std::max(from, path.size() - sharedEnd));
    if (to < 0) {
        to = path.size();
    }
    if (to <= from) {
        return {-1, -1};
    }
    // A separator is one byte and one character, also beside a name that is
    // not valid text: the decoded front is the front of the decoded path.
    return {QFile::decodeName(path.left(from)).size(), QFile::decodeName(path.left(to)).size()};
}

QString sizeText(uint64_t bytes)
{
    return transformedFileSize(bytes, true, true);
}

void setUpResultList(QAbstractItemView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setFrameShape(QFrame::NoFrame);
    view->setMouseTracking(true);
}

void chooseRow(QAbstractItemView* view, const QModelIndex& index, bool bringIntoView)
{
    QItemSelectionModel* selection = view->selectionModel();
    if (!selection) {
        return;
    }
    if (!index.isValid()) {
        selection->clearSelection();
        return;
    }
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (bringIntoView) {
        view->scrollTo(index);
    }
}

void setIcon(QLabel* imageView, const QIcon& icon)
{
    const QSize side = imageView->maximumSize().boundedTo(QSize(256, 256));
    imageView->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(side, imageView->devicePixelRatioF()));
}

}  // namespace CellLooks
