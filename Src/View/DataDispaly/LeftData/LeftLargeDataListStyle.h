#pragma once

#include "LeftDataType.h"
#include "LeftLargeDataRow.h"
#include "LeftLargeDataType.h"

// A row of the large-file panel's grouping by size bands.
class LeftLargeDataListStyle : public LeftLargeDataStyle<LeftLargeDataType, int> {
public:
    LeftLargeDataListStyle(LeftLargeDataType type, bool isSelectedView);

    QString displayTitle() const override;
    QColor progressColor() const override;
};

using LeftLargeDataListStylePtr = std::shared_ptr<LeftLargeDataListStyle>;
