#include <QDir>
#include <QFile>

#include "Foundation/PropertyList.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "DamagedSettings.h"
#include "Foundation/PropertyListFile.h"
#include "TestSupport.h"
#include "WithoutFileAccessOverride.h"

namespace {

class PerferenceInfoTest : public TempHomeTest {
protected:
    void writeSettings(const PlistDict& dict)
    {
        ASSERT_TRUE(PropertyList::writeFile(PerferenceInfo::settingsPath(), QVariant::fromValue(dict)));
    }
};

}  // namespace

TEST_F(PerferenceInfoTest, FirstConstructionWritesExactlyTheDefaults)
{
    const QString path = PerferenceInfo::settingsPath();
    ASSERT_FALSE(QFile::exists(path));
    PerferenceInfo info;
    ASSERT_TRUE(QFile::exists(path));
    const auto stored = PropertyList::readFile(path);
    ASSERT_TRUE(stored);
    const PlistDict dict = stored->value<PlistDict>();
    EXPECT_EQ(dict.size(), 23);
    EXPECT_EQ(dict.keys(), PerferenceInfo::defaultDictionary().keys());
    EXPECT_EQ(dict.value("threshold").toString(), "85");
    EXPECT_EQ(dict.value("maxSizeType").toString(), "MB");
    EXPECT_EQ(dict.value("hiddenFile").typeId(), QMetaType::Bool);
    EXPECT_TRUE(QFile(path).open(QIODevice::ReadOnly));
    QFile raw(path);
    raw.open(QIODevice::ReadOnly);
    EXPECT_TRUE(raw.readAll().startsWith("<?xml"));

    EXPECT_FALSE(info.enableMaxSize());
    EXPECT_FALSE(info.maxFileSize());
    EXPECT_FALSE(info.minFileSize());
    EXPECT_TRUE(info.omitVideo() && info.omitAudio() && info.omitPicture() && info.omitDocument() && info.omitOther());
    EXPECT_TRUE(info.omitHiddenFile());
    EXPECT_TRUE(info.omitZeroByteFile());
    EXPECT_EQ(info.threshold(), 85);
    EXPECT_EQ(info.maxByteType(), "MB");
    EXPECT_EQ(info.similarImageMinByteType(), "MB");
    EXPECT_TRUE(info.whiteListPath().isEmpty());
    EXPECT_EQ(info.dataDict().size(), 23);
    EXPECT_EQ(info.dic().size(), 23);
}

TEST_F(PerferenceInfoTest, SizesConvertByUnit)
{
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5", "GB"), 5000000000LL);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5", "MB"), 5000000LL);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5", "KB"), 5000LL);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5", "kb"), 5000LL);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5", "gb"), 5000LL);  // exact, case-sensitive
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("abc", "MB"), 0);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("5 ", "MB"), 0);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("", "MB"), std::nullopt);
    // Counts that do not fit, and negative ones, limit nothing.
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("99999999999", "GB"), std::nullopt);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("99999999999999999999", "KB"), std::nullopt);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("-3", "MB"), std::nullopt);
    EXPECT_EQ(PerferenceInfo::bytesOfSizeText("9223372036854775", "KB"), 9223372036854775000LL);
}

TEST_F(PerferenceInfoTest, EveryKeyIsConvertedAndWrongTypesFallBack)
{
    PlistDict dict = PerferenceInfo::defaultDictionary();
    dict.insert("maxFileSize", "5");
    dict.insert("maxSizeType", "GB");
    dict.insert("maxSelect", true);
    dict.insert("minFileSize", "abc");
    dict.insert("minSizeType", "kb");
    dict.insert("minSelect", true);
    dict.insert("video", false);
    dict.insert("photo", "yes");  // wrong type: default true
    dict.insert("hiddenFile", false);
    dict.insert("zeroByteFile", 1);  // wrong type: default true
    dict.insert("threshold", "x");
    dict.insert("whiteListPath", QVariantList{"/w/one", "/w/two"});
    dict.insert("LargeFileWhiteListPath", QVariantList{"/l", 3});  // not all strings: empty
    dict.insert("DupImagesWhiteListPath", QVariantList{"/i"});
    dict.insert("similarImageMaxFileSize", "2");
    dict.insert("similarImageMaxSizeType", "MB");
    dict.insert("similarImageMaxSelect", true);
    dict.insert("similarImageMinSizeType", 7);  // wrong type: "MB"
    writeSettings(dict);

    PerferenceInfo info;
    EXPECT_EQ(info.maxFileSize(), 5000000000LL);
    EXPECT_EQ(info.localMaxFileSize(), "5");
    EXPECT_TRUE(info.enableMaxSize() && info.maxSelectState());
    EXPECT_EQ(info.minFileSize(), 0);
    EXPECT_EQ(info.localMinFileSize(), "abc");
    EXPECT_EQ(info.minByteType(), "kb");
    EXPECT_TRUE(info.enableMinSize() && info.minSelectState());
    EXPECT_FALSE(info.omitVideo());
    EXPECT_TRUE(info.omitPicture());
    EXPECT_FALSE(info.omitHiddenFile());
    EXPECT_TRUE(info.omitZeroByteFile());
    EXPECT_EQ(info.threshold(), 85);
    ASSERT_EQ(info.whiteListPath().size(), 2);
    EXPECT_EQ(info.whiteListPath()[0].toLocalFile(), "/w/one");
    EXPECT_EQ(info.whiteListPath()[1].toLocalFile(), "/w/two");
    EXPECT_EQ(info.localWhiteList(), QStringList({"/w/one", "/w/two"}));
    EXPECT_TRUE(info.largeFileWhiteListPath().isEmpty());
    EXPECT_EQ(info.dupImagesWhiteListPath(), QStringList({"/i"}));
    EXPECT_EQ(info.similarImageMaxFileSize(), 2000000);
    EXPECT_TRUE(info.similarImageEnableMaxSize() && info.similarImageMaxSelectState());
    EXPECT_EQ(info.similarImageMinByteType(), "MB");

    dict.insert("threshold", "");
    writeSettings(dict);
    EXPECT_EQ(PerferenceInfo().threshold(), 85);
    dict.insert("threshold", "60");
    writeSettings(dict);
    EXPECT_EQ(PerferenceInfo().threshold(), 60);
}

TEST_F(PerferenceInfoTest, ADamagedFileIsSetAsideAndTheDefaultsStartAfresh)
{
    const QString path = PerferenceInfo::settingsPath();
    PropertyList::takeSetAsideFiles();
    for (const auto& [kind, bytes] : DamagedSettings::samples()) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(DamagedSettings::write(path, bytes));
        const PerferenceInfo info;
        EXPECT_TRUE(info.omitPicture());
        EXPECT_TRUE(info.omitHiddenFile());
        EXPECT_FALSE(info.enableMaxSize());
        EXPECT_TRUE(info.localWhiteList().isEmpty());
        EXPECT_EQ(info.threshold(), 85);
        EXPECT_EQ(info.dataDict(), PerferenceInfo::defaultDictionary());

        const QList<PropertyList::SetAsideFile> told = PropertyList::takeSetAsideFiles();
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told.first().original, path);
        EXPECT_EQ(DamagedSettings::read(told.first().setAside), bytes);
        // In its place a fresh file of defaults, which a save may replace.
        EXPECT_EQ(PropertyList::readFile(path), QVariant::fromValue(PerferenceInfo::defaultDictionary()));
        PerferenceInfo edited;
        edited.dataDict().insert("photo", false);
        ASSERT_TRUE(edited.setPerenceInfo());
        EXPECT_FALSE(PerferenceInfo().omitPicture());
        EXPECT_EQ(DamagedSettings::read(told.first().setAside), bytes);
        EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty()) << "told once";
        ASSERT_TRUE(QFile::remove(told.first().setAside));
    }
    // The sound file of the same settings is read as it is.
    ASSERT_TRUE(PropertyList::writeFile(path, QVariant::fromValue(DamagedSettings::largeSettings())));
    const PerferenceInfo sound;
    EXPECT_EQ(sound.localWhiteList().size(), 2500);
    EXPECT_EQ(sound.maxFileSize(), 4000000000LL);
    EXPECT_FALSE(sound.omitPicture());
    EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty());
}

TEST_F(PerferenceInfoTest, AFileThatCannotBeReadIsNeverRewritten)
{
    const QString path = PerferenceInfo::settingsPath();
    ASSERT_TRUE(PropertyList::writeFile(path, QVariant::fromValue(DamagedSettings::largeSettings())));
    const QByteArray bytes = DamagedSettings::read(path);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
    bool omitPicture = false;
    bool saved = true;
    if (!runWithoutFileAccessOverride([&] {
            PerferenceInfo info;
            omitPicture = info.omitPicture();
            saved = info.setPerenceInfo();
        })) {
        GTEST_SKIP() << "the permission override cannot be dropped here";
    }
    EXPECT_TRUE(omitPicture) << "the defaults apply";
    EXPECT_FALSE(saved);
    EXPECT_EQ(DamagedSettings::read(path), bytes);
    EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty());
}

TEST_F(PerferenceInfoTest, SavingReportsFailureAndOnlyASuccessReachesTheEngine)
{
    ScanManager& engine = ScanManager::default_();
    PerferenceInfo info;
    info.dataDict().insert("video", false);
    ASSERT_TRUE(info.setPerenceInfo());
    auto settings = engine.scanSetupObj();
    ASSERT_TRUE(settings);
    EXPECT_FALSE(settings->omitVideo());
    EXPECT_TRUE(info.omitVideo());  // the saving object itself is not refreshed

    // The file's place taken by a non-empty folder: no write can land there,
    // for root too.
    const QString path = PerferenceInfo::settingsPath();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + "/blocker"));
    info.dataDict().insert("video", true);
    EXPECT_FALSE(info.setPerenceInfo());
    EXPECT_EQ(engine.scanSetupObj(), settings);
    EXPECT_FALSE(engine.scanSetupObj()->omitVideo());
    QDir(path).removeRecursively();
}

TEST_F(PerferenceInfoTest, SettingsFromADictionaryInHandLeaveTheFileAlone)
{
    PlistDict dict = PerferenceInfo::defaultDictionary();
    dict.insert("maxSelect", true);
    dict.insert("maxFileSize", "3");
    dict.insert("maxSizeType", "GB");
    dict.insert("whiteListPath", QVariantList{"/a", "/b"});
    const PerferenceInfo info(dict);
    EXPECT_FALSE(QFile::exists(PerferenceInfo::settingsPath()));
    EXPECT_TRUE(info.enableMaxSize());
    EXPECT_EQ(info.maxFileSize(), 3000000000LL);
    EXPECT_EQ(info.localMaxFileSize(), "3");
    EXPECT_EQ(info.localWhiteList(), (QStringList{"/a", "/b"}));
    EXPECT_EQ(info.dataDict(), dict);
    EXPECT_EQ(info.dic().size(), 23);
}
