#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>

#include "Foundation/Bundle.h"
#include "Model/DuplicateFiles.h"

// One row of the large-file panel as the panel sees it, whatever its
// grouping: the engine group it names, its looks and its numbers. An
// all-files row holds the engine's own group object; a selected-only row
// holds a group of its own that the panel fills with the checked files.
class LeftLargeDataRow {
public:
    virtual ~LeftLargeDataRow() = default;

    // The group the right table shows for this row.
    const DuplicateFilesPtr& files() const { return files_; }
    void setFiles(DuplicateFilesPtr files) { files_ = std::move(files); }
    bool isSelectView() const { return isSelectView_; }

    // The row's case as its raw value (0 is the "All files" row).
    virtual int rawType() const = 0;
    // The engine slot the row counts.
    virtual int slot() const = 0;
    virtual QString iconName() const = 0;
    // The title as the row keeps it (kind rows keep the English key).
    virtual QString titleName() const = 0;
    // The title to draw.
    virtual QString displayTitle() const = 0;
    virtual QColor progressColor() const = 0;
    virtual QString gALogTypeName() const = 0;

    // Read from the engine's group of the slot at the moment they are asked:
    // every file, or only the checked ones for a selected-only row.
    int filesCount() const;
    uint64_t filesSize() const;
    // The row's bytes against the all-files group's bytes, within 0…1.
    double progressValue() const;

    // The engine's group of a slot; a fresh empty group for a slot the
    // engine does not hold.
    static DuplicateFilesPtr engineGroup(int slot);
    // The count and bytes of a list: every file, or only the checked ones.
    static int countOf(const QList<FileInfoPtr>& files, bool selectedOnly);
    static uint64_t sizeOf(const QList<FileInfoPtr>& files, bool selectedOnly);

protected:
    // Steps of construction shared by the three kinds of row.
    void setUp(bool isSelectedView, int slot);

private:
    DuplicateFilesPtr files_ = std::make_shared<DuplicateFiles>();
    bool isSelectView_ = false;
};

using LeftLargeDataRowPtr = std::shared_ptr<LeftLargeDataRow>;

// The shape the three row classes share: a case of their grouping and the
// dictionaries that name its slot, icon, title, bar colour and event name.
// `Color` is a 0xRRGGBB number for size and age rows and a colour name for
// kind rows.
template <typename K, typename Color>
class LeftLargeDataStyle : public LeftLargeDataRow {
public:
    struct Entry {
        K type;
        int slot;
        const char* title;
        const char* icon;
        Color color;
        const char* gALogTypeName;
    };

    K dataType() const { return dataType_; }
    int rawType() const override { return int(dataType_); }
    int slot() const override { return slotDic_.value(dataType_, -1); }
    QString iconName() const override { return iconNameDic_.value(dataType_, QStringLiteral("Unknow")); }
    QString titleName() const override { return titleDic_.value(dataType_, QStringLiteral("Unknow")); }
    QString gALogTypeName() const override { return gALogTypeNameDic_.value(dataType_, QStringLiteral("Unknow")); }
    Color progressColorName() const { return progressColorNameDic_.value(dataType_, fallbackColor()); }

protected:
    template <size_t N>
    LeftLargeDataStyle(K type, bool isSelectedView, const Entry (&table)[N], bool localizeNow)
        : dataType_(type)
    {
        for (const Entry& entry : table) {
            slotDic_.insert(entry.type, entry.slot);
            iconNameDic_.insert(entry.type, QString::fromUtf8(entry.icon));
            titleDic_.insert(entry.type, localizeNow ? translated(entry.title) : QString::fromUtf8(entry.title));
            progressColorNameDic_.insert(entry.type, entry.color);
            gALogTypeNameDic_.insert(entry.type, QString::fromUtf8(entry.gALogTypeName));
        }
        setUp(isSelectedView, slot());
    }

    static Color fallbackColor()
    {
        if constexpr (std::is_same_v<Color, int>) {
            return 0x7A7EFF;
        } else {
            return QStringLiteral("Unknow");
        }
    }
    static QString translated(const char* key) { return localized(QString::fromUtf8(key)); }

private:
    QHash<K, int> slotDic_;
    QHash<K, QString> iconNameDic_;
    QHash<K, QString> titleDic_;
    QHash<K, Color> progressColorNameDic_;
    QHash<K, QString> gALogTypeNameDic_;
    K dataType_;
};
