#pragma once

#include "LeftDataType.h"
#include "LeftLargeDataRow.h"
#include "LeftLargeDataType.h"

// A row of the large-file panel's grouping by ages.
class LeftLargeDataTimeStyle : public LeftLargeDataStyle<LeftLargeTimeDataType, int> {
public:
    LeftLargeDataTimeStyle(LeftLargeTimeDataType type, bool isSelectedView);

    QString displayTitle() const override;
    QColor progressColor() const override;
};

using LeftLargeDataTimeStylePtr = std::shared_ptr<LeftLargeDataTimeStyle>;
