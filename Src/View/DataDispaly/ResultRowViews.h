#pragma once

#include <QMarginsF>
#include <QString>

class LeftDataTableRowViewDelegate;
class RYTableRowView;
class RYTableRowViewHost;
class QLabel;

namespace ResultRowViews {

// The rounded row view of the result lists, reused by its class name: a new
// one gets the lists' selected, hover and border colours, `insets` (top,
// left, bottom, right as in a QMarginsF's top/left/bottom/right), `radius`
// and `delegate`; every one gets `row`. The rows lie on white in both
// appearances, so the colours take their light values.
RYTableRowView* rowView(RYTableRowViewHost* host, int row, const QMarginsF& insets, int radius,
                        LeftDataTableRowViewDelegate* delegate);

// "n / count" with n in the highlight colour, or a hidden label when n is 0.
void showSelectCount(QLabel* label, int selected, int count);

}  // namespace ResultRowViews
