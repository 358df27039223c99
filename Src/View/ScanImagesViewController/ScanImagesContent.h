#pragma once

#include <initializer_list>

#include <QLayout>
#include <QPointer>
#include <QWidget>

#include "View/Extension/KPLExtensionView.h"

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
