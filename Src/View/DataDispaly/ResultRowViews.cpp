#include "ResultRowViews.h"

#include "CellLooks.h"
#include "Main/Utilities.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/Extension/KPLExtensionView.h"

#include <QLabel>

namespace ResultRowViews {

RYTableRowView* rowView(RYTableRowViewHost* host, int row, const QMarginsF& insets, int radius,
                        LeftDataTableRowViewDelegate* delegate)
{
    const QString identifier = KPLLeftDataTableRowView::reuseIdentifier();
    auto* view = static_cast<KPLLeftDataTableRowView*>(host->makeRowView(identifier));
    if (!view) {
        view = new KPLLeftDataTableRowView;
        view->setIdentifier(identifier);
        view->setSelectedColor(CellLooks::lightColor(QStringLiteral("LeftDataRowViewSelectColor")));
        view->setHighlightColor(CellLooks::lightColor(QStringLiteral("LeftDataRowViewHighlightColor")));
        view->setDelegate(delegate);
        view->setSelectedEdgeInsets(insets.top(), insets.left(), insets.bottom(), insets.right());
        view->setRadius(radius);
        view->setBorderColor(CellLooks::lightColor(QStringLiteral("ButtonNormalColor")));
    }
    view->setRow(row);
    return view;
}

void showSelectCount(QLabel* label, int selected, int count)
{
    if (selected <= 0) {
        label->hide();
        return;
    }
    const QString number = QString::number(selected);
    const QString text = number + QStringLiteral(" / ") + QString::number(count);
    const QColor color = label->palette().color(QPalette::WindowText);
    const AttributedString styled =
        highLightText(text, label->font(), color, TextRange{int(text.indexOf(number)), int(number.size())},
                      label->font(), assetColor(QStringLiteral("ButtonTitleNormalBlueColor")));
    label->setTextFormat(Qt::RichText);
    label->setText(styled.toHtml());
    label->show();
}

}  // namespace ResultRowViews
