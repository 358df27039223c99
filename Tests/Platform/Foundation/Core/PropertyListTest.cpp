#include "Foundation/PropertyList.h"
#include "Foundation/PropertyListGuard.h"

#include "BinaryPlistBuilder.h"
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

namespace {

// `levels` arrays, each holding the next; the innermost holds the text "x".
QByteArray nestedBinary(int levels)
{
    BinaryPlistBuilder plist(4);
    int inner = plist.ascii("x");
    for (int i = 0; i < levels; ++i) {
        inner = plist.array({inner});
    }
    return plist.build(inner);
}

QByteArray nestedXml(int levels)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(levels)
           + "<string>x</string>" + QByteArray("</array>").repeated(levels) + "</plist>";
}

QVariant nestedValue(int levels)
{
    QVariant value(QStringLiteral("x"));
    for (int i = 0; i < levels; ++i) {
        value = QVariantList{value};
    }
    return value;
}

}  // namespace

TEST_F(PropertyListTest, NestingBeyondTheLimitIsRefusedInBothFormatsAndWithinItReads)
{
    const int limit = PropertyListGuard::maxNesting;
    for (auto format : {PropertyList::Format::xml, PropertyList::Format::binary}) {
        const auto deepest = PropertyList::serialize(nestedValue(limit), format);
        ASSERT_TRUE(deepest) << "what may be read may be written";
        const auto back = PropertyList::parse(*deepest);
        ASSERT_TRUE(back);
        expectSameTree(nestedValue(limit), *back);
        EXPECT_FALSE(PropertyList::serialize(nestedValue(limit + 1), format));
    }
    EXPECT_TRUE(PropertyList::parse(nestedBinary(limit)));
    EXPECT_FALSE(PropertyList::parse(nestedBinary(limit + 1)));
    EXPECT_TRUE(PropertyList::parse(nestedXml(limit)));
    EXPECT_FALSE(PropertyList::parse(nestedXml(limit + 1)));

    // Deep enough to overflow the stack of a recursive reader (and far past
    // what its freeing survives): refused before libplist sees it.
    const QByteArray deepBinary = nestedBinary(100000);
    EXPECT_LT(deepBinary.size(), 1000 * 1000);
    EXPECT_FALSE(PropertyList::parse(deepBinary));
    EXPECT_FALSE(PropertyList::parse(nestedXml(1000000)));
    // The same refusal reads a file as missing and leaves it alone.
    const QString path = writeFile(QStringLiteral("deep.plist"), deepBinary);
    EXPECT_FALSE(PropertyList::readFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), deepBinary);
}

TEST_F(PropertyListTest, BinaryReferencesThatLoopOrLeaveTheTableAreRefused)
{
    QString reason;
    {
        BinaryPlistBuilder plist;
        const int self = plist.array({});
        plist.setArray(self, {self});
        EXPECT_FALSE(PropertyListGuard::checkBinary(plist.build(self), &reason));
        EXPECT_TRUE(reason.contains(QStringLiteral("loops"))) << reason.toStdString();
    }
    {
        BinaryPlistBuilder plist;
        const int a = plist.array({});
        const int b = plist.array({a});
        const int root = plist.dict({plist.ascii("k")}, {b});
        plist.setArray(a, {b});
        EXPECT_FALSE(PropertyList::parse(plist.build(root)));
    }
    {
        BinaryPlistBuilder plist;
        const int root = plist.array({plist.ascii("a"), 7});
        EXPECT_FALSE(PropertyListGuard::checkBinary(plist.build(root), &reason));
        EXPECT_TRUE(reason.contains(QStringLiteral("outside"))) << reason.toStdString();
        EXPECT_FALSE(PropertyList::parse(plist.build(9)));  // the root itself
    }
    {
        // A dictionary key must be a text.
        BinaryPlistBuilder plist;
        const int root = plist.dict({plist.integer(1)}, {plist.ascii("v")});
        EXPECT_FALSE(PropertyList::parse(plist.build(root)));
    }
    {
        // One text shared by many values is fine: writers share equal objects.
        BinaryPlistBuilder plist;
        const int shared = plist.ascii("same");
        const int root = plist.dict({plist.ascii("a"), plist.ascii("b")}, {shared, shared});
        const auto back = PropertyList::parse(plist.build(root));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->value<PlistDict>().value(QStringLiteral("b")).toString(), QStringLiteral("same"));
    }
    {
        // But containers shared level after level unfold exponentially: 2^64 copies.
        BinaryPlistBuilder plist;
        int inner = plist.ascii("x");
        for (int i = 0; i < 60; ++i) {
            inner = plist.array({inner, inner});
        }
        EXPECT_FALSE(PropertyListGuard::checkBinary(plist.build(inner), &reason));
        EXPECT_TRUE(reason.contains(QStringLiteral("too much"))) << reason.toStdString();
        EXPECT_FALSE(PropertyList::parse(plist.build(inner)));
    }
    // Trailers whose widths, counts and offsets point anywhere but into the data.
    const QByteArray good = *PropertyList::serialize(QVariant::fromValue(everyType()), PropertyList::Format::binary);
    ASSERT_TRUE(PropertyListGuard::checkBinary(good));
    const auto withField = [&](int at, int width, quint64 value) {
        QByteArray bad = good;
        bad.replace(bad.size() - 32 + at, width, BinaryPlistBuilder::bigEndian(value, width));
        return bad;
    };
    const QList<QByteArray> damaged = {
        withField(6, 1, 0), withField(6, 1, 9), withField(7, 1, 0), withField(7, 1, 9),
        withField(8, 8, 0), withField(8, 8, ~0ULL), withField(8, 8, 1ULL << 62),
        withField(16, 8, ~0ULL), withField(24, 8, 0), withField(24, 8, ~0ULL),
        withField(24, 8, static_cast<quint64>(good.size())),
    };
    for (const QByteArray& bad : damaged) {
        EXPECT_FALSE(PropertyList::parse(bad)) << bad.right(32).toHex().toStdString();
    }
}

TEST_F(PropertyListTest, TextsHoldingNulAreRefusedNeverCutOrFatal)
{
    // A UTF-16 U+0000 in a value, in a key; an ASCII NUL; a raw NUL byte in XML.
    QList<QByteArray> holdingNul;
    {
        BinaryPlistBuilder plist;
        holdingNul << plist.build(plist.dict({plist.ascii("k")}, {plist.utf16(QStringLiteral("a\u0000\u00e9"))}));
    }
    {
        BinaryPlistBuilder plist;
        holdingNul << plist.build(plist.dict({plist.utf16(QStringLiteral("k\u0000\u00e9"))}, {plist.ascii("v")}));
    }
    {
        BinaryPlistBuilder plist;
        holdingNul << plist.build(plist.array({plist.ascii(QByteArray("a\0b", 3))}));
    }
    const char xmlText[] = "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>a\0b</string></plist>";
    const char xmlKey[] = "<?xml version=\"1.0\"?><plist><dict><key>a\0b</key><string>v</string></dict></plist>";
    holdingNul << QByteArray(xmlText, sizeof xmlText - 1) << QByteArray(xmlKey, sizeof xmlKey - 1);
    int i = 0;
    for (const QByteArray& bytes : holdingNul) {
        EXPECT_FALSE(PropertyList::parse(bytes)) << "case " << i;
        const QString path = writeFile(QStringLiteral(".config%1.plist").arg(i++), bytes);
        EXPECT_FALSE(PropertyList::readFile(path));
    }
    // A text without NUL next to them still reads, with its accents.
    BinaryPlistBuilder plist;
    const auto fine = PropertyList::parse(plist.build(plist.array({plist.utf16(QStringLiteral("\u00e9t\u00e9"))})));
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->toList().value(0).toString(), QStringLiteral("\u00e9t\u00e9"));

    // Writing one would cut it, so it is refused.
    EXPECT_FALSE(PropertyList::serialize(QVariantList{QStringLiteral("a") + QChar(0) + QStringLiteral("b")},
                                         PropertyList::Format::binary));
    EXPECT_FALSE(PropertyList::serialize(PlistDict{{QStringLiteral("k") + QChar(0), 1}}.toMap(),
                                         PropertyList::Format::xml));
}

// A full disk must leave the settings as they were, never an empty file
// that reads as no settings at all, and the failure must be reported.
TEST_F(PropertyListTest, AFullDiskKeepsTheOldFileAndIsReported)
{
    SmallFileSystem disk(64);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small file system of its own needs root here";
    }
    const QString path = disk.path() + QStringLiteral("/settings.plist");
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{QStringLiteral("v"), 1}}));
    disk.fill();

    EXPECT_FALSE(PropertyList::writeFile(path, QVariantMap{{QStringLiteral("v"), QString(2000, QLatin1Char('x'))}}));
    const auto back = PropertyList::readFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value<PlistDict>().value(QStringLiteral("v")).toLongLong(), 1);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file is left";
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
