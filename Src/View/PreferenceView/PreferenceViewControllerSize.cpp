// The size limits of the General and Similar Images pages: a maximum and a
// minimum side, each with a switch, a number and a unit. When both sides are
// on and filled in, the maximum must not be smaller than the minimum.

#include "PreferenceViewController.h"

#include "ui_PreferenceViewController.h"

#include "PreferenceViewControllerPrivate.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTCheckBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QToolTip>

using namespace PreferenceLook;

struct PreferenceViewController::SizeSide {
    RYTCheckBox* box;
    QLineEdit* field;
    PopUpButton* popup;
    int* code;
    QString onKey;
    QString textKey;
    QString unitKey;
    // The text as last stored, and the stored unit and switch.
    QString (PerferenceInfo::*local)() const;
    void (PerferenceInfo::*setLocal)(const QString&);
    QString (PerferenceInfo::*storedUnit)() const;
    bool (PerferenceInfo::*storedOn)() const;

    bool on() const { return box->state() == RYTCheckBox::stateOn; }
    QString text() const { return field->text(); }
    QString title() const { return popup->selectedTitle()->text(); }
};

struct PreferenceViewController::SizeBlock {
    SizeSide max;
    SizeSide min;
};

namespace {
const QStringList& unitTitles()
{
    static const QStringList titles{QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB")};
    return titles;
}
}  // namespace

PreferenceViewController::SizeBlock PreferenceViewController::generalBlock()
{
    return SizeBlock{
        {ui_->maxSelectBox, ui_->maxFileSize, ui_->maxByteTypeBox, &maxByteType_, QStringLiteral("maxSelect"),
         QStringLiteral("maxFileSize"), QStringLiteral("maxSizeType"), &PerferenceInfo::localMaxFileSize,
         &PerferenceInfo::setLocalMaxFileSize, &PerferenceInfo::maxByteType, &PerferenceInfo::maxSelectState},
        {ui_->minSelectBox, ui_->minFileSize, ui_->minByteTypeBox, &minByteType_, QStringLiteral("minSelect"),
         QStringLiteral("minFileSize"), QStringLiteral("minSizeType"), &PerferenceInfo::localMinFileSize,
         &PerferenceInfo::setLocalMinFileSize, &PerferenceInfo::minByteType, &PerferenceInfo::minSelectState},
    };
}

PreferenceViewController::SizeBlock PreferenceViewController::similarBlock()
{
    return SizeBlock{
        {ui_->similarImageMaxSelectBox, ui_->similarImageMaxFileSize, ui_->similarImageMaxByteTypeBox,
         &similarImageMaxByteType_, QStringLiteral("similarImageMaxSelect"), QStringLiteral("similarImageMaxFileSize"),
         QStringLiteral("similarImageMaxSizeType"), &PerferenceInfo::similarImageLocalMaxFileSize,
         &PerferenceInfo::setSimilarImageLocalMaxFileSize, &PerferenceInfo::similarImageMaxByteType,
         &PerferenceInfo::similarImageMaxSelectState},
        {ui_->similarImageMinSelectBox, ui_->similarImageMinFileSize, ui_->similarImageMinByteTypeBox,
         &similarImageMinByteType_, QStringLiteral("similarImageMinSelect"), QStringLiteral("similarImageMinFileSize"),
         QStringLiteral("similarImageMinSizeType"), &PerferenceInfo::similarImageLocalMinFileSize,
         &PerferenceInfo::setSimilarImageLocalMinFileSize, &PerferenceInfo::similarImageMinByteType,
         &PerferenceInfo::similarImageMinSelectState},
    };
}

void PreferenceViewController::showUnit(PopUpButton* popup, const QString& unit)
{
    // Marks the item without telling the delegate: showing a stored unit is
    // not a choice of the user. A unit the menu does not list marks none.
    popup->selectItemAt(int(unitTitles().indexOf(unit)));
    popup->selectedTitle()->setText(unit);
    popup->selectedTitle()->setToolTip(unit);
}

void PreferenceViewController::loadSizeBlock(bool similarImages)
{
    SizeBlock block = similarImages ? similarBlock() : generalBlock();
    loadBlock(block);
}

void PreferenceViewController::loadBlock(SizeBlock& block)
{
    PerferenceInfo& settings = *preferenceInfo();
    for (SizeSide* side : {&block.max, &block.min}) {
        side->popup->setDelegate(this);
        const QString unit = (settings.*side->storedUnit)();
        showUnit(side->popup, unit);
        *side->code = unitCode(unit);
    }
    for (SizeSide* side : {&block.max, &block.min}) {
        side->field->setText((settings.*side->local)());
        rememberFieldText(side->field);
        applyLook(*side, (settings.*side->storedOn)());
    }
}

void PreferenceViewController::applyLook(SizeSide& side, bool on)
{
    side.box->setState(on ? RYTCheckBox::stateOn : RYTCheckBox::stateOff);
    side.field->setReadOnly(!on);
    side.field->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    const QColor text = on ? assetColor(QStringLiteral("PreferenceDefaultColor")) : secondarySelectedControlColor();
    styleField(side.field, text);
    setPopupIcon(side.popup, on ? QStringLiteral("PopUpButton") : QStringLiteral("PopUpButton_dis"));
    side.popup->setEnabled(on);
    setPopupTitleColor(side.popup, text);
}

void PreferenceViewController::colourSizeBlocks()
{
    SizeBlock general = generalBlock();
    SizeBlock similar = similarBlock();
    for (SizeBlock* block : {&general, &similar}) {
        for (SizeSide* side : {&block->max, &block->min}) {
            applyLook(*side, side->on());
        }
    }
}

void PreferenceViewController::rememberFieldText(QLineEdit* field)
{
    acceptedText_.insert(field, field->text());
}

// ---- the two switches of each side -------------------------------------------

void PreferenceViewController::maxSelectAction()
{
    SizeBlock block = generalBlock();
    selectAction(block, true);
}

void PreferenceViewController::minSelectAction()
{
    SizeBlock block = generalBlock();
    selectAction(block, false);
}

void PreferenceViewController::similarImageMaxSelectAction()
{
    SizeBlock block = similarBlock();
    selectAction(block, true);
}

void PreferenceViewController::similarImageMinSelectAction()
{
    SizeBlock block = similarBlock();
    selectAction(block, false);
}

void PreferenceViewController::selectAction(SizeBlock& block, bool maxSide)
{
    const PreferenceActionScope scope = beginAction();
    SizeSide& side = maxSide ? block.max : block.min;
    SizeSide& other = maxSide ? block.min : block.max;
    if (!side.on()) {
        applyLook(side, false);
        store(side.onKey, false);
        save();
        return;
    }
    applyLook(side, true);
    store(side.onKey, true);
    *block.max.code = unitCode(block.max.title());
    *block.min.code = unitCode(block.min.title());
    // With the other side off there is nothing to compare; the switch is
    // saved with the next save.
    if (!other.on()) {
        return;
    }
    const bool filled = !side.text().isEmpty() && !other.text().isEmpty();
    if (sizeNumber(block.max.text()) < sizeNumber(block.min.text()) && filled &&
        *block.max.code == *block.min.code) {
        requestSizeSheet(SheetRule::always);
        side.field->setText(other.text());
        rememberFieldText(side.field);
        store(side.textKey, side.field->text());
    }
    if (*block.max.code < *block.min.code && filled) {
        requestSizeSheet(SheetRule::always);
        const QString unit = other.title();
        showUnit(side.popup, unit);
        store(side.unitKey, unit);
    }
    compareInBytes(block, side, other, SheetRule::always, false);
    save();
}

// ---- units -------------------------------------------------------------------

void PreferenceViewController::popupButtonSelect(PopUpButton* button, const QString&)
{
    if (loading_) {
        return;
    }
    SizeBlock general = generalBlock();
    SizeBlock similar = similarBlock();
    SizeBlock* block = nullptr;
    bool maxSide = false;
    if (button == general.max.popup) {
        block = &general;
        maxSide = true;
    } else if (button == general.min.popup) {
        block = &general;
    } else if (button == similar.max.popup) {
        block = &similar;
        maxSide = true;
    } else if (button == similar.min.popup) {
        block = &similar;
    } else {
        return;
    }
    const PreferenceActionScope scope = beginAction();
    SizeSide& side = maxSide ? block->max : block->min;
    SizeSide& other = maxSide ? block->min : block->max;
    *block->max.code = unitCode(block->max.title());
    *block->min.code = unitCode(block->min.title());
    const bool filled = !side.text().isEmpty() && !other.text().isEmpty();
    if (*block->max.code < *block->min.code && other.on() && filled) {
        requestSizeSheet(SheetRule::unlessClosing);
        showUnit(side.popup, other.title());
        side.field->setText(other.text());
        rememberFieldText(side.field);
    }
    store(side.unitKey, side.title());
    store(side.textKey, side.text());
    compareInBytes(*block, side, other, SheetRule::unlessClosing, false);
    save();
}

// ---- the last word: bytes ----------------------------------------------------

void PreferenceViewController::compareInBytes(SizeBlock& block, SizeSide& changed, SizeSide& other, SheetRule rule,
                                              bool keepCopies)
{
    // The checks above compare numbers only at equal units and units only by
    // order; what the scans obey is bytes. A maximum still below the
    // minimum would let every later scan find nothing.
    if (!block.max.on() || !block.min.on() || block.max.text().isEmpty() || block.min.text().isEmpty()) {
        return;
    }
    const auto maxBytes = PerferenceInfo::bytesOfSizeText(block.max.text(), block.max.title());
    const auto minBytes = PerferenceInfo::bytesOfSizeText(block.min.text(), block.min.title());
    if (!maxBytes || !minBytes || *maxBytes >= *minBytes) {
        return;  // a side that limits nothing, or a sound pair
    }
    requestSizeSheet(rule);
    takeOtherSide(changed, other, keepCopies);
}

void PreferenceViewController::takeOtherSide(SizeSide& changed, SizeSide& other, bool keepCopies)
{
    const QString text = other.text();
    const QString unit = other.title();
    changed.field->setText(text);
    rememberFieldText(changed.field);
    showUnit(changed.popup, unit);
    *changed.code = unitCode(unit);
    store(changed.textKey, text);
    store(changed.unitKey, unit);
    if (keepCopies) {
        (preferenceInfo().get()->*changed.setLocal)(text);
    }
}

// ---- end of editing ------------------------------------------------------------

void PreferenceViewController::controlTextDidEndEditing()
{
    const PreferenceActionScope scope = beginAction();
    oldSaveFileSize();
    similarImageSaveFileSize();
    saveIfChanged();
}

void PreferenceViewController::oldSaveFileSize()
{
    SizeBlock block = generalBlock();
    saveFileSize(block);
}

void PreferenceViewController::similarImageSaveFileSize()
{
    SizeBlock block = similarBlock();
    saveFileSize(block);
}

void PreferenceViewController::saveFileSize(SizeBlock& block)
{
    const PreferenceActionScope scope = beginAction();
    PerferenceInfo& settings = *preferenceInfo();
    SizeSide& max = block.max;
    SizeSide& min = block.min;
    const QString maxText = max.text();
    const QString minText = min.text();
    const qint64 maxNumber = sizeNumber(maxText);
    const qint64 minNumber = sizeNumber(minText);
    const bool filled = !maxText.isEmpty() && !minText.isEmpty();
    const bool maxChanged = maxText != (settings.*max.local)();
    const bool minChanged = minText != (settings.*min.local)();
    const auto keep = [&](SizeSide& side, const QString& text) {
        (settings.*side.setLocal)(text);
        store(side.textKey, text);
    };

    if (max.title() != min.title()) {
        keep(max, maxText);
        keep(min, minText);
    } else {
        if (maxText == (settings.*max.local)()) {
            keep(max, maxText);
        } else if (max.on()) {
            if (min.on() && maxNumber < minNumber && filled) {
                max.field->setText(minText);
                rememberFieldText(max.field);
                keep(max, minText);
                requestSizeSheet(SheetRule::unlessClosing);
            } else {
                keep(max, maxText);
            }
        }
        // The minimum is judged on the texts read before the maximum's
        // correction, so two changed sides trade places.
        if (minText == (settings.*min.local)()) {
            keep(min, minText);
        } else if (min.on()) {
            if (max.on() && maxNumber < minNumber && filled) {
                min.field->setText(maxText);
                rememberFieldText(min.field);
                keep(min, maxText);
                requestSizeSheet(SheetRule::unlessClosing);
            } else {
                keep(min, minText);
            }
        }
    }
    if (maxChanged) {
        compareInBytes(block, max, min, SheetRule::unlessClosing, true);
    } else if (minChanged) {
        compareInBytes(block, min, max, SheetRule::unlessClosing, true);
    }
}

// ---- what a size field takes -------------------------------------------------

void PreferenceViewController::sizeTextEdited(QLineEdit* field, const QString& text)
{
    const bool similarImages = field == ui_->similarImageMaxFileSize || field == ui_->similarImageMinFileSize;
    const int limit = sizeDigitLimit(similarImages);
    const QString before = acceptedText_.value(field);
    bool digits = true;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            digits = false;
            break;
        }
    }
    // Taking characters out is always allowed, so a stored text of another
    // kind can still be corrected.
    qsizetype prefix = 0;
    while (prefix < text.size() && prefix < before.size() && text.at(prefix) == before.at(prefix)) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < text.size() - prefix && suffix < before.size() - prefix &&
           text.at(text.size() - 1 - suffix) == before.at(before.size() - 1 - suffix)) {
        ++suffix;
    }
    const bool onlyRemoved = text.size() < before.size() && prefix + suffix == text.size();
    if ((digits && text.size() <= limit) || onlyRemoved) {
        acceptedText_.insert(field, text);
        return;
    }
    // Refused: the text stays as it was and a note says what the field takes.
    field->setText(before);
    field->setCursorPosition(int(qMin(prefix, before.size())));
    const QString note = localized("Whole numbers only, at most %1 digits.").arg(limit);
    fieldNote_ = note;
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height() + 2)), note, field, QRect(), 3000);
}

// ---- the Ignore scan switches --------------------------------------------------

void PreferenceViewController::hiddenFileAction()
{
    const PreferenceActionScope scope = beginAction();
    store(QStringLiteral("hiddenFile"), ui_->hiddenFile->state() == RYTCheckBox::stateOn);
    save();
}

void PreferenceViewController::zeroByteFileAction()
{
    const PreferenceActionScope scope = beginAction();
    store(QStringLiteral("zeroByteFile"), ui_->zeroByteFile->state() == RYTCheckBox::stateOn);
    save();
}
