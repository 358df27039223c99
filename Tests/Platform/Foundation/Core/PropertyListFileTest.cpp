#include "Foundation/PropertyListFile.h"

#include "DamagedSettings.h"
#include "TestSupport.h"
#include "WithoutFileAccessOverride.h"

#include <QDir>
#include <QRegularExpression>

#include <atomic>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

class PropertyListFileTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        PropertyList::takeSetAsideFiles();
        path = scratch() + QStringLiteral("/settings.plist");
    }

    QStringList besideIt() const
    {
        return QDir(scratch()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QString path;
};

}  // namespace

TEST_F(PropertyListFileTest, ADamagedFileIsSetAsideWholeUnderADatedNameAndToldOnce)
{
    const QRegularExpression dated(QStringLiteral(R"(^settings\.plist\.damaged-\d{4}-\d\d-\d\d-\d\d\.\d\d\.\d\d$)"));
    auto samples = DamagedSettings::samples();
    samples.append({"an empty file", QByteArray()});
    samples.append({"a list that is no dictionary", QByteArray("<plist><array><true/></array></plist>")});
    for (const auto& [kind, bytes] : samples) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(DamagedSettings::write(path, bytes));
        const PropertyList::OwnedFile file = PropertyList::readOwnedDictionary(path);
        EXPECT_EQ(file.state, PropertyList::OwnedFile::State::setAside);
        EXPECT_TRUE(file.dictionary.isEmpty());
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(QFileInfo(file.setAsidePath).absolutePath(), scratch());
        EXPECT_TRUE(dated.match(QFileInfo(file.setAsidePath).fileName()).hasMatch()) << file.setAsidePath.toStdString();
        EXPECT_EQ(DamagedSettings::read(file.setAsidePath), bytes);

        const QList<PropertyList::SetAsideFile> told = PropertyList::takeSetAsideFiles();
        ASSERT_EQ(told.size(), 1);
        EXPECT_EQ(told.first().original, path);
        EXPECT_EQ(told.first().setAside, file.setAsidePath);
        EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty()) << "told once";
        ASSERT_TRUE(QFile::remove(file.setAsidePath));
    }

    // A sound file is read and stays where it is.
    ASSERT_TRUE(PropertyList::writeFile(path, QVariant::fromValue(PlistDict{{"key", 1}})));
    const PropertyList::OwnedFile sound = PropertyList::readOwnedDictionary(path);
    EXPECT_EQ(sound.state, PropertyList::OwnedFile::State::read);
    EXPECT_EQ(sound.dictionary.value("key"), QVariant(qint64(1)));
    EXPECT_EQ(besideIt(), QStringList{"settings.plist"});
    EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty());
}

TEST_F(PropertyListFileTest, EarlierSetAsideFilesAreNeverReplaced)
{
    // Whatever second the set-aside falls in, its name is already taken.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList earlier;
    for (int second = 0; second < 5; ++second) {
        const QString name = PropertyList::setAsideName(path, now.addSecs(second));
        ASSERT_TRUE(DamagedSettings::write(name, "earlier " + QByteArray::number(second)));
        earlier << name;
    }
    const QString numbered = PropertyList::setAsideName(path, now) + QStringLiteral("-2");
    ASSERT_TRUE(DamagedSettings::write(numbered, "earlier numbered"));

    ASSERT_TRUE(DamagedSettings::write(path, "first damage"));
    const PropertyList::OwnedFile first = PropertyList::readOwnedDictionary(path);
    ASSERT_EQ(first.state, PropertyList::OwnedFile::State::setAside);
    ASSERT_TRUE(DamagedSettings::write(path, "second damage"));
    const PropertyList::OwnedFile second = PropertyList::readOwnedDictionary(path);
    ASSERT_EQ(second.state, PropertyList::OwnedFile::State::setAside);

    EXPECT_NE(first.setAsidePath, second.setAsidePath);
    EXPECT_FALSE(earlier.contains(first.setAsidePath));
    EXPECT_FALSE(earlier.contains(second.setAsidePath));
    EXPECT_EQ(DamagedSettings::read(first.setAsidePath), "first damage");
    EXPECT_EQ(DamagedSettings::read(second.setAsidePath), "second damage");
    for (int second = 0; second < 5; ++second) {
        EXPECT_EQ(DamagedSettings::read(earlier[second]), "earlier " + QByteArray::number(second));
    }
    EXPECT_EQ(DamagedSettings::read(numbered), "earlier numbered");
    EXPECT_EQ(PropertyList::takeSetAsideFiles().size(), 2);
}

TEST_F(PropertyListFileTest, WhatCannotBeReadIsNeitherMovedNorReplaced)
{
    const PropertyList::OwnedFile missing = PropertyList::readOwnedDictionary(path);
    EXPECT_EQ(missing.state, PropertyList::OwnedFile::State::missing);
    EXPECT_FALSE(PropertyList::isUnreadable(path));

    // A folder in the file's place.
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
    EXPECT_EQ(PropertyList::readOwnedDictionary(path).state, PropertyList::OwnedFile::State::leftAlone);
    EXPECT_TRUE(PropertyList::isUnreadable(path));
    EXPECT_FALSE(PropertyList::writeOwnedFile(path, QVariant::fromValue(PlistDict{{"key", 1}})));
    EXPECT_TRUE(QFileInfo::exists(path + "/inside"));
    ASSERT_TRUE(QDir(path).removeRecursively());

    // A pipe is never opened for a read that would wait for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(PropertyList::readOwnedDictionary(path).state, PropertyList::OwnedFile::State::leftAlone);
    EXPECT_TRUE(PropertyList::isUnreadable(path));
    ASSERT_TRUE(QFile::remove(path));

    // A file without read permission, damaged or not, as a user meets it.
    for (const QByteArray& bytes : {QByteArray("random \x01\x02 bytes"),
                                    PropertyList::serialize(QVariant::fromValue(PlistDict{{"key", 1}}),
                                                            PropertyList::Format::xml)
                                        .value()}) {
        ASSERT_TRUE(DamagedSettings::write(path, bytes));
        ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
        PropertyList::OwnedFile file;
        bool unreadable = false;
        bool written = true;
        if (!runWithoutFileAccessOverride([&] {
                file = PropertyList::readOwnedDictionary(path);
                unreadable = PropertyList::isUnreadable(path);
                written = PropertyList::writeOwnedFile(path, QVariant::fromValue(PlistDict{{"key", 2}}));
            })) {
            GTEST_SKIP() << "the permission override cannot be dropped here";
        }
        EXPECT_EQ(file.state, PropertyList::OwnedFile::State::leftAlone);
        EXPECT_TRUE(unreadable);
        EXPECT_FALSE(written);
        EXPECT_EQ(DamagedSettings::read(path), bytes);
        EXPECT_EQ(besideIt(), QStringList{"settings.plist"});
        ASSERT_TRUE(QFile::remove(path));
    }
    EXPECT_TRUE(PropertyList::takeSetAsideFiles().isEmpty());
}

TEST_F(PropertyListFileTest, ReadersOnManyThreadsSetADamagedFileAsideOnce)
{
    ASSERT_TRUE(DamagedSettings::write(path, "damaged"));
    std::atomic<int> setAside{0};
    std::atomic<int> observed{0};
    int owner = 0;
    PropertyList::setSetAsideObserver(&owner, [&] { ++observed; });
    std::vector<std::thread> readers;
    for (int i = 0; i < 8; ++i) {
        readers.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                if (PropertyList::readOwnedDictionary(path).state == PropertyList::OwnedFile::State::setAside) {
                    ++setAside;
                }
            }
        });
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    PropertyList::removeSetAsideObserver(&owner);
    EXPECT_EQ(setAside, 1);
    EXPECT_EQ(observed, 1);
    EXPECT_EQ(PropertyList::takeSetAsideFiles().size(), 1);
    EXPECT_EQ(besideIt().size(), 1);

    // Removing another owner's observer leaves the present one.
    int other = 0;
    PropertyList::setSetAsideObserver(&owner, [&] { ++observed; });
    PropertyList::removeSetAsideObserver(&other);
    ASSERT_TRUE(DamagedSettings::write(path, "damaged again"));
    PropertyList::readOwnedDictionary(path);
    PropertyList::removeSetAsideObserver(&owner);
    EXPECT_EQ(observed, 2);
    PropertyList::takeSetAsideFiles();
}
