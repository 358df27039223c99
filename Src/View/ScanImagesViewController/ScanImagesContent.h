#pragma once

#include <initializer_list>

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QWidget>

#include "View/Extension/KPLExtensionView.h"
#include "View/Extension/ScanScreenLook.h"

// Shows `view` in `layout` in place of whichever of `candidates` was there:
// the others are hidden and taken out of the layout, so a hidden view never
// holds on to its space.
inline void showContentIn(QLayout* layout, std::initializer_list<QWidget*> candidates, QWidget* view)
{
    for (QWidget* candidate : candidates) {
        if (candidate && candidate != view) {
            candidate->hide();
            layout->removeWidget(candidate);
        }
    }
    if (view && layout->indexOf(view) < 0) {
        layout->addWidget(view);
    }
    if (view) {
        view->show();
    }
}

// The view controller kept in `slot`, made on first use, hidden, inside
// `parent`.
template <typename T>
T* childController(QPointer<T>& slot, QWidget* parent)
{
    if (!slot) {
        slot = ViewController::initUseNibName<T>();
        slot->setParent(parent);
        slot->hide();
    }
    return slot;
}

// A label's font size, weight and text colour.
inline void setLabelLook(QLabel* label, int pixels, bool bold, const QColor& color)
{
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    ScanScreenLook::keepColor(label, QPalette::WindowText, color);
}

// A white panel with rounded corners, the same in both appearances.
inline void whiteBox(QWidget* box)
{
    box->setAttribute(Qt::WA_StyledBackground);
    box->setStyleSheet(QStringLiteral("#%1 { background: white; border-radius: 8px; }").arg(box->objectName()));
}
