#pragma once

#include "LeftDataType.h"
#include "LeftLargeDataRow.h"
#include "LeftLargeDataType.h"

// A row of the large-file panel's grouping by kinds.
class LeftLargeDataTypeStyle : public LeftLargeDataStyle<LeftDataType, QString> {
public:
    LeftLargeDataTypeStyle(LeftDataType type, bool isSelectedView);

    QString displayTitle() const override;
    QColor progressColor() const override;
};

using LeftLargeDataTypeStylePtr = std::shared_ptr<LeftLargeDataTypeStyle>;
