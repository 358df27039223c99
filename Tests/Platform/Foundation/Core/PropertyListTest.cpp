#include "Foundation/PropertyList.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTimeZone>

namespace {

PlistDict everyType()
{
    PlistDict nested{{QStringLiteral("zeta"), QVariant(qint64(1))}, {QStringLiteral("alpha"), QVariant(true)}};
    return PlistDict{
        {QStringLiteral("yes"), QVariant(true)},
        {QStringLiteral("no"), QVariant(false)},
        {QStringLiteral("negative"), QVariant(qint64(-42))},
        {QStringLiteral("big"), QVariant(qint64(9007199254740993LL))},
        {QStringLiteral("zero"), QVariant(qint64(0))},
        {QStringLiteral("real"), QVariant(2.5)},
        {QStringLiteral("text"), QVariant(QStringLiteral("h\u00e9llo <&> \u4f60\u597d"))},
        {QStringLiteral("empty"), QVariant(QString())},
        {QStringLiteral("date"),
         QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15), QTimeZone::utc()))},
        {QStringLiteral("data"), QVariant(QByteArray("\x00\x01\xff bytes", 9))},
        {QStringLiteral("list"),
         QVariant(QVariantList{QVariant(qint64(1)), QVariant(QStringLiteral("two")), QVariant(false)})},
        {QStringLiteral("dict"), QVariant::fromValue(nested)},
    };
}

void expectSameTree(const QVariant& a, const QVariant& b)
{
    ASSERT_EQ(a.metaType(), b.metaType()) << a.typeName() << " vs " << b.typeName();
    if (a.metaType() == QMetaType::fromType<PlistDict>()) {
        const PlistDict da = a.value<PlistDict>();
        const PlistDict db = b.value<PlistDict>();
        ASSERT_EQ(da.keys(), db.keys());
        for (const QString& key : da.keys()) {
            expectSameTree(da.value(key), db.value(key));
        }
    } else if (a.metaType().id() == QMetaType::QVariantList) {
        const QVariantList la = a.toList();
        const QVariantList lb = b.toList();
        ASSERT_EQ(la.size(), lb.size());
        for (qsizetype i = 0; i < la.size(); ++i) {
            expectSameTree(la[i], lb[i]);
        }
    } else {
        EXPECT_EQ(a, b);
    }
}

}  // namespace

class PropertyListTest : public TempHomeTest {};

TEST_F(PropertyListTest, EveryTypeRoundTripsInBothFormatsKeepingTypesAndKeyOrder)
{
    const QVariant tree = QVariant::fromValue(everyType());
    for (auto format : {PropertyList::Format::xml, PropertyList::Format::binary}) {
        const auto bytes = PropertyList::serialize(tree, format);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(bytes->startsWith("bplist00"), format == PropertyList::Format::binary);
        const auto back = PropertyList::parse(*bytes);
        ASSERT_TRUE(back.has_value());
        expectSameTree(tree, *back);
        // A Boolean never comes back as a number, nor a number as a Boolean.
        const PlistDict dict = back->value<PlistDict>();
        EXPECT_EQ(dict.value(QStringLiteral("yes")).metaType().id(), QMetaType::Bool);
        EXPECT_EQ(dict.value(QStringLiteral("zero")).metaType().id(), QMetaType::LongLong);
    }
}

TEST_F(PropertyListTest, MapsAndUnsignedValuesAreWrittenAndValuesThatCannotBeAreRefused)
{
    QVariantMap map{{QStringLiteral("b"), QVariant(2u)}, {QStringLiteral("a"), QVariant(QStringList{"x", "y"})}};
    const auto back = PropertyList::parse(*PropertyList::serialize(map, PropertyList::Format::xml));
    ASSERT_TRUE(back);
    const PlistDict dict = back->value<PlistDict>();
    EXPECT_EQ(dict.value(QStringLiteral("b")).toLongLong(), 2);
    EXPECT_EQ(dict.value(QStringLiteral("a")).toList().size(), 2);

    EXPECT_FALSE(PropertyList::serialize(QVariant(quint64(~0ULL)), PropertyList::Format::binary))
        << "an unsigned value above the signed range would come back negative";
    EXPECT_FALSE(PropertyList::serialize(QVariant(), PropertyList::Format::xml));
    EXPECT_FALSE(PropertyList::serialize(QVariantList{QVariant(QPoint(1, 2))}, PropertyList::Format::xml));
}

TEST_F(PropertyListTest, DamagedOrMissingFilesGiveNothingAndAreLeftAlone)
{
    EXPECT_FALSE(PropertyList::readFile(scratch() + QStringLiteral("/missing.plist")));

    const QByteArray good = *PropertyList::serialize(QVariant::fromValue(everyType()), PropertyList::Format::xml);
    const QByteArray binary = *PropertyList::serialize(QVariant::fromValue(everyType()), PropertyList::Format::binary);
    const QList<QByteArray> damaged = {
        QByteArray(),
        QByteArray("not a plist at all"),
        good.left(good.size() / 2),
        QByteArray("bplist00") + QByteArray(40, '\xff'),
        binary.left(binary.size() - 20),
    };
    int i = 0;
    for (const QByteArray& bytes : damaged) {
        const QString path = writeFile(QStringLiteral("damaged%1.plist").arg(i++), bytes);
        EXPECT_FALSE(PropertyList::readFile(path)) << "case " << i;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes) << "a read must never change the file";
    }
}

TEST_F(PropertyListTest, WritesReplaceTheFileAtomically)
{
    const QString path = scratch() + QStringLiteral("/settings.plist");
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{QStringLiteral("v"), 1}}));
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{QStringLiteral("v"), 2}}, PropertyList::Format::binary));
    const auto back = PropertyList::readFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value<PlistDict>().value(QStringLiteral("v")).toLongLong(), 2);
    // No temporary file is left beside the target.
    EXPECT_EQ(QDir(scratch()).entryList(QDir::Files), QStringList{QStringLiteral("settings.plist")});

    // A value that cannot be written leaves the old file as it was.
    EXPECT_FALSE(PropertyList::writeFile(path, QVariant(QPoint(1, 1))));
    EXPECT_EQ(PropertyList::readFile(path)->value<PlistDict>().value(QStringLiteral("v")).toLongLong(), 2);

    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(PropertyList::writeFile(scratch() + QStringLiteral("/no/such/dir/x.plist"), QVariantMap{}));
}

TEST(PlistDict, KeepsInsertionOrderAndReplacesInPlace)
{
    PlistDict d;
    d.insert(QStringLiteral("z"), 1);
    d.insert(QStringLiteral("a"), 2);
    d.insert(QStringLiteral("z"), 3);
    EXPECT_EQ(d.keys(), (QStringList{"z", "a"}));
    EXPECT_EQ(d.value(QStringLiteral("z")).toInt(), 3);
    EXPECT_TRUE(d.remove(QStringLiteral("z")));
    EXPECT_FALSE(d.contains(QStringLiteral("z")));
    EXPECT_EQ(d.value(QStringLiteral("missing"), 9).toInt(), 9);
}
