// The Duplicate Files, White List and Similar Images pages.
#include "PreferenceFixture.h"

#include "FileDialogDriver.h"
#include "Foundation/FileManager.h"
#include "Foundation/ResourceValues.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYListView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTView.h"
#include "View/PreferenceView/ImageSlider.h"
#include "View/PreferenceView/ListViewCell.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/WhiteListDetailControllerView.h"
#include "View/PreferenceView/WhiteListPathModel.h"
#include "View/PreferenceView/WhiteListTypeControllerView.h"
#include "View/PreferenceView/WhiteListTypeListViewCell.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

const QString kOneType = "Please select at least one file type.";

// ---- Duplicate Files ------------------------------------------------------------

using FileTypesTest = PreferenceTest;

TEST_F(FileTypesTest, BoxesStoreTheirKindAndTheLastOneCannotGo)
{
    window();
    chooseTab("repeatFileSelectView");
    EXPECT_EQ(controller().selectCount(), 5);
    const PlistDict before = file();
    clickBox("video");
    EXPECT_EQ(controller().selectCount(), 4);
    expectFile(before, {{"video", false}});
    for (const char* name : {"voice", "photo", "other"}) {
        clickBox(name);
    }
    expectFile(before, {{"video", false}, {"audio", false}, {"photo", false}, {"other", false}});
    EXPECT_EQ(controller().selectCount(), 1);

    clickBox("file");
    EXPECT_EQ(sheets, QStringList{kOneType});
    EXPECT_TRUE(on("file"));
    EXPECT_EQ(controller().selectCount(), 1);
    expectFile(before, {{"video", false}, {"audio", false}, {"photo", false}, {"other", false}, {"file", true}});

    clickBox("voice");
    EXPECT_EQ(controller().selectCount(), 2);
    EXPECT_EQ(file().value("audio"), QVariant(true));
}

TEST_F(FileTypesTest, TheCountFollowsTheFileEachTimeThePageLoads)
{
    window();
    // Edited elsewhere while the window is open: only video is on.
    writeSettings({{"audio", false}, {"photo", false}, {"file", false}, {"other", false}});
    chooseTab("repeatFileSelectView");
    EXPECT_TRUE(on("video"));
    EXPECT_FALSE(on("voice"));
    EXPECT_EQ(controller().selectCount(), 1);
    clickBox("video");
    EXPECT_EQ(sheets, QStringList{kOneType});
    EXPECT_TRUE(on("video"));
    EXPECT_EQ(file().value("video"), QVariant(true));
}

// ---- White List -------------------------------------------------------------------

class WhiteListTest : public PreferenceTest {
protected:
    void SetUp() override
    {
        PreferenceTest::SetUp();
        PreferenceViewController::setPathChooserForTesting(
            [this](QWidget* parent, std::function<void(bool, const QStringList&)> answer) {
                ++chooserRuns;
                chooserParent = parent;
                answer(nextAnswer.first, nextAnswer.second);
            });
    }
    QString folder(const QString& name)
    {
        const QString path = scratch() + "/" + name;
        QDir().mkpath(path);
        return path;
    }
    void add(const QStringList& paths, bool ok = true)
    {
        nextAnswer = {ok, paths};
        QTest::mouseClick(child<RYTButton>("addFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
        settle();
    }
    void remove()
    {
        QTest::mouseClick(child<RYTButton>("deleteFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
        settle();
    }
    WhiteListTypeControllerView* types() { return controller().whiteListFileTypeView(); }
    WhiteListDetailControllerView* paths() { return controller().whiteListDetailView(); }
    void clickCategory(int row) { QTest::mouseClick(types()->listView()->cellAt(row), Qt::LeftButton, {}, QPoint(5, 5)); }
    QRect pathRow(int row) { return paths()->listView()->visualRect(paths()->model()->index(row, 0)); }
    void clickPath(int row)
    {
        QTest::mouseClick(paths()->listView()->viewport(), Qt::LeftButton, {}, pathRow(row).center());
    }
    QStringList shownPaths()
    {
        QStringList shown;
        for (int i = 0; i < paths()->numberOfItems(); ++i) {
            shown << paths()->model()->index(i, 0).data().toString();
        }
        return shown;
    }
    bool pathChosen(int row) { return paths()->model()->index(row, 0).data(WhiteListPathModel::ChosenRole).toBool(); }
    // The colour painted at the left end of a row, where no text lies.
    QColor paintedAt(int row, const QImage& picture)
    {
        const qreal ratio = picture.devicePixelRatio();
        const QRect rect = pathRow(row);
        return picture.pixelColor(QPoint(int(3 * ratio), int((rect.top() + 2) * ratio)));
    }
    QVariantList stored(const char* key) { return file().value(key).toList(); }
    bool bordered(const char* box) { return child<RYTView>(box)->borderWidth() > 0; }

    std::pair<bool, QStringList> nextAnswer;
    int chooserRuns = 0;
    QWidget* chooserParent = nullptr;
};

TEST_F(WhiteListTest, ANewFileShowsThreeEmptyCategoriesWithDuplicateFilesChosen)
{
    window();
    chooseTab("whiteListSelectView");
    EXPECT_EQ(child<QLabel>("whiteListTipLabel")->text(), "Please select folders or files to exclude from scanning.");
    EXPECT_EQ(types()->whiteListType(), (QStringList{"Duplicate Files", "Similar images", "Large Files"}));
    ASSERT_EQ(types()->listView()->numberOfItems(), 3);
    EXPECT_EQ(types()->selectIndex(), 0);
    auto* chosen = static_cast<WhiteListTypeListViewCell*>(types()->listView()->cellAt(0));
    EXPECT_TRUE(chosen->selected());
    EXPECT_EQ(chosen->imageName(), "DuplicateFile_1");
    EXPECT_EQ(static_cast<WhiteListTypeListViewCell*>(types()->listView()->cellAt(1))->imageName(), "DuplicateFile");
    EXPECT_EQ(types()->listView()->cellAt(0)->height(), 35);
    EXPECT_EQ(paths()->numberOfItems(), 0);
    EXPECT_TRUE(bordered("whiteFileTypeBox"));
    for (int row : {1, 2}) {
        clickCategory(row);
        EXPECT_EQ(paths()->numberOfItems(), 0);
    }
}

TEST_F(WhiteListTest, AddingKeepsOrderAndStoresEachPathOnceInItsCategory)
{
    window();
    chooseTab("whiteListSelectView");
    const PlistDict before = file();
    const QString a = folder("a"), b = folder("b"), c = writeFile("c.txt", "c");
    add({a});
    add({a});
    expectFile(before, {{"whiteListPath", QVariantList{a}}});
    add({a, c, b});
    expectFile(before, {{"whiteListPath", QVariantList{a, c, b}}});
    EXPECT_EQ(shownPaths(), (QStringList{a, c, b}));
    EXPECT_EQ(chooserParent, &window());

    clickCategory(2);
    add({b});
    clickCategory(1);
    add({c, a});
    expectFile(before, {{"whiteListPath", QVariantList{a, c, b}}, {"LargeFileWhiteListPath", QVariantList{b}},
                        {"DupImagesWhiteListPath", QVariantList{c, a}}});
    EXPECT_EQ(shownPaths(), (QStringList{c, a}));

    // A cancelled choice changes nothing.
    const QByteArray raw = [] {
        QFile f(PerferenceInfo::settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    add({folder("d")}, false);
    QFile f(PerferenceInfo::settingsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), raw);
}

// The program's own chooser: files and folders picked together in the home
// folder, answered without a nested loop. The rows are clicked in the
// dialog's own list and its own button pressed.
TEST_F(WhiteListTest, TheChooserTakesAFolderAndAFileTogetherFromTheHomeFolder)
{
    PreferenceViewController::setPathChooserForTesting(nullptr);
    const QString home = QDir::homePath();
    ASSERT_TRUE(QDir().mkpath(home + "/Music"));
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(home + "/notes.txt"), "x"));
    window();
    chooseTab("whiteListSelectView");
    QTest::mouseClick(child<RYTButton>("addFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
    QFileDialog* dialog = FileDialogDriver::waitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &window());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(home).absolutePath());

    ASSERT_TRUE(FileDialogDriver::selectNames(dialog, {"Music", "notes.txt"}));
    EXPECT_EQ(FileDialogDriver::acceptButton(dialog)->text(), "Add");
    ASSERT_TRUE(FileDialogDriver::pressAccept(dialog));
    settle();

    QStringList kept;
    for (const QVariant& entry : stored("whiteListPath")) {
        kept << entry.toString();
    }
    kept.sort();
    EXPECT_EQ(kept, (QStringList{home + "/Music", home + "/notes.txt"}));
}

// A path typed into the real dialog's name field and its own Add button:
// the answer is what the dialog holds when it is accepted. Cancel adds
// nothing.
TEST_F(WhiteListTest, APathTypedIntoTheChooserIsAddedByItsOwnButton)
{
    PreferenceViewController::setPathChooserForTesting(nullptr);
    const QString typed = folder("typed/inner");
    const QString file = writeFile("typed/notes.txt", "x");
    window();
    chooseTab("whiteListSelectView");
    const auto choose = [&](const QString& path, bool accept) {
        QTest::mouseClick(child<RYTButton>("addFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
        QPointer<QFileDialog> dialog = FileDialogDriver::waitForDialog();
        ASSERT_NE(dialog, nullptr);
        FileDialogDriver::typeName(dialog, path);
        EXPECT_EQ(FileDialogDriver::acceptButton(dialog)->text(), "Add");
        ASSERT_TRUE(accept ? FileDialogDriver::pressAccept(dialog) : FileDialogDriver::pressCancel(dialog));
        ASSERT_TRUE(waitUntil([&] { return !dialog || !dialog->isVisible(); }));
        settle();
    };
    choose(typed, true);
    choose(file, true);
    choose(folder("cancelled"), false);
    EXPECT_EQ(stored("whiteListPath"), (QVariantList{typed, file}));
    EXPECT_EQ(shownPaths(), (QStringList{typed, file}));
}

TEST_F(WhiteListTest, ANameThatIsNotTextKeepsItsBytesUnlessItCannotBeToldApart)
{
    window();
    chooseTab("whiteListSelectView");
    const QByteArray root = QFile::encodeName(scratch());
    const QByteArray odd = root + "/caf\xe9";
    ASSERT_TRUE(writeFileBytes(odd + "/x", "x"));
    const QString shown = QFile::decodeName(odd);  // what a file dialog gives
    add({shown});
    // Stored so that the engines read back the very bytes.
    const QVariantList entries = stored("whiteListPath");
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(FilePath::fromStoredText(entries.first().toString()), odd);
    EXPECT_EQ(shownPaths(), QStringList{shown});
    EXPECT_TRUE(sheets.isEmpty());

    // Two names that read the same, and one that is gone: refused, the
    // others of the same choice still added.
    ASSERT_TRUE(writeFileBytes(root + "/a\xff\xfe/x", "x"));
    ASSERT_TRUE(writeFileBytes(root + "/a\xfe\xff/x", "x"));
    const QString alike = QFile::decodeName(root + "/a\xff\xfe");
    const QString good = folder("good");
    add({alike, good, scratch() + "/vanished"});
    EXPECT_EQ(stored("whiteListPath").size(), 2);
    EXPECT_EQ(stored("whiteListPath").last().toString(), good);
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_TRUE(sheets.first().contains(alike)) << sheets.first().toStdString();
    EXPECT_TRUE(sheets.first().contains("vanished"));
}

TEST_F(WhiteListTest, DeletingMovesTheSelectionUpAndNeverReachesARowNotShown)
{
    window();
    chooseTab("whiteListSelectView");
    QStringList five;
    for (const char* name : {"1", "2", "3", "4", "5"}) {
        five << folder(name);
    }
    add(five);
    const PlistDict before = file();

    remove();  // nothing selected
    EXPECT_EQ(file(), before);

    clickPath(2);
    EXPECT_TRUE(bordered("whiteListBox"));
    EXPECT_FALSE(bordered("whiteFileTypeBox"));
    remove();
    expectFile(before, {{"whiteListPath", QVariantList{five[0], five[1], five[3], five[4]}}});
    EXPECT_EQ(paths()->selectIndex(), 1);
    EXPECT_TRUE(pathChosen(1));
    EXPECT_FALSE(pathChosen(2));
    EXPECT_EQ(controller().index(), -1);

    clickPath(0);
    remove();
    EXPECT_EQ(paths()->selectIndex(), -1);
    EXPECT_FALSE(bordered("whiteListBox"));
    expectFile(before, {{"whiteListPath", QVariantList{five[1], five[3], five[4]}}});

    // Row 2 chosen here, then a category of one path: nothing there to delete.
    clickCategory(2);
    add({five[0]});
    clickCategory(0);
    clickPath(2);
    clickCategory(2);
    const PlistDict kept = file();
    remove();
    EXPECT_EQ(file(), kept);
    EXPECT_EQ(paths()->selectIndex(), -1);
}

TEST_F(WhiteListTest, ReturningToThePageShowsDuplicateFilesAsTheFileHoldsThem)
{
    window();
    chooseTab("whiteListSelectView");
    const QString a = folder("a"), b = folder("b");
    add({a});
    clickCategory(2);
    add({b});
    EXPECT_EQ(shownPaths(), QStringList{b});
    chooseTab("generalSelectView");
    // Changed elsewhere meanwhile.
    PerferenceInfo other;
    other.dataDict().insert("whiteListPath", QVariantList{a, b});
    ASSERT_TRUE(other.setPerenceInfo());
    chooseTab("whiteListSelectView");
    EXPECT_EQ(types()->selectIndex(), 0);
    EXPECT_TRUE(types()->listView()->cellAt(0)->selected());
    EXPECT_FALSE(types()->listView()->cellAt(2)->selected());
    EXPECT_EQ(shownPaths(), (QStringList{a, b}));
}

TEST_F(WhiteListTest, RowsAlternateOnAWhiteSurfaceInBothAppearances)
{
    RYTDarkMode::setForcedAppearance(1);
    window();
    chooseTab("whiteListSelectView");
    add({folder("a"), folder("b"), folder("c")});
    clickPath(2);
    QListView* list = paths()->listView();
    const QImage picture = list->viewport()->grab().toImage();
    EXPECT_EQ(paintedAt(0, picture), QColor(Qt::white));
    EXPECT_EQ(paintedAt(1, picture), RYTDarkMode::colorNamed("WhiteListBackgroundColor", true));
    EXPECT_EQ(paintedAt(2, picture), ListViewCell::selectedColor());
    EXPECT_GT(RYTDarkMode::colorNamed("WhiteListBackgroundColor", true).lightness(), 200);
    EXPECT_EQ(pathRow(0).height(), ListViewCell::rowHeight + ListViewCell::rowSpacing);
    // Text on the white rows keeps its light look, and the chosen row's is white.
    EXPECT_EQ(ListViewCell::textColor(false), RYTDarkMode::colorNamed("PreferenceDefaultColor", false));
    const auto darkest = [&](int row) {
        const QRect rect = pathRow(row).adjusted(ListViewCell::textMargin, 0, 0, 0);
        const qreal ratio = picture.devicePixelRatio();
        QColor found = Qt::white;
        for (int x = rect.left(); x < rect.left() + 60; ++x) {
            const QColor c = picture.pixelColor(QPoint(int(x * ratio), int(rect.center().y() * ratio)));
            if (c.lightness() < found.lightness()) {
                found = c;
            }
        }
        return found;
    };
    EXPECT_LT(darkest(0).lightness(), 160) << "the path is drawn dark on white";
    EXPECT_EQ(paths()->model()->index(0, 0).data(Qt::ToolTipRole).toString(), scratch() + "/a");
}

// The file is written on a worker: a deletion shows at once while the disk
// is still busy, and whatever reads the settings meanwhile (a scan starting)
// gets the list as it now is.
TEST_F(WhiteListTest, ADeletionShowsAtOnceWhileTheFileIsStillBeingWritten)
{
    window();
    chooseTab("whiteListSelectView");
    const QString a = folder("a"), b = folder("b"), c = folder("c");
    add({a, b, c});
    const QByteArray settings = QFile::encodeName(PerferenceInfo::settingsPath());
    std::mutex mutex;
    std::condition_variable changed;
    bool release = false;
    std::atomic<int> onMainThread{0};
    std::atomic<int> writes{0};
    FileManager::setFaults({[&](FileStep step, const QByteArray& path) {
                                if (step != FileStep::writeData || path != settings) {
                                    return 0;
                                }
                                onMainThread += QThread::currentThread() == qApp->thread() ? 1 : 0;
                                ++writes;
                                std::unique_lock lock(mutex);
                                // Bounded, so a write on the main thread ends too.
                                changed.wait_for(lock, std::chrono::seconds(2), [&] { return release; });
                                return 0;
                            },
                            nullptr});
    clickPath(1);
    QTest::mouseClick(child<RYTButton>("deleteFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(shownPaths(), (QStringList{a, c}));
    ASSERT_TRUE(waitUntil([&] { return writes > 0; }));
    EXPECT_EQ(onMainThread, 0);
    EXPECT_EQ(PerferenceInfo().localWhiteList(), (QStringList{a, c}));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    settle();
    FileManager::clearFaults();
    EXPECT_EQ(stored("whiteListPath"), (QVariantList{a, c}));
    EXPECT_TRUE(sheets.isEmpty());
}

// A long list paints only the rows on screen: every path is one row of the
// model, none a widget of its own.
TEST_F(WhiteListTest, AListOfThousandsOfPathsIsOneModelWithoutAWidgetPerRow)
{
    QVariantList many;
    for (int i = 0; i < 3000; ++i) {
        many << QStringLiteral("/data/project-%1/build").arg(i, 4, 10, QLatin1Char('0'));
    }
    writeSettings({{"whiteListPath", many}});
    window();
    chooseTab("whiteListSelectView");
    QListView* list = paths()->listView();
    EXPECT_EQ(paths()->numberOfItems(), 3000);
    EXPECT_LT(list->viewport()->findChildren<QWidget*>().size(), 5);
    clickPath(3);
    EXPECT_EQ(paths()->selectIndex(), 3);
    list->scrollToBottom();
    QApplication::processEvents();
    const QModelIndex last = paths()->model()->index(2999, 0);
    ASSERT_TRUE(list->viewport()->rect().contains(list->visualRect(last).center()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(last).center());
    EXPECT_EQ(paths()->selectIndex(), 2999);
    EXPECT_TRUE(pathChosen(2999));
    EXPECT_FALSE(pathChosen(3));
    remove();
    EXPECT_EQ(stored("whiteListPath").size(), 2999);
    EXPECT_EQ(paths()->numberOfItems(), 2999);
    EXPECT_EQ(paths()->selectIndex(), 2998);
}

// ---- Similar Images -----------------------------------------------------------------

class SliderTest : public PreferenceTest {
protected:
    ImageSlider* slider() { return child<ImageSlider>("slider"); }
    QString label() { return child<QLabel>("silmiarImageSliderValueLabel")->text(); }
};

TEST_F(SliderTest, TheStoredThresholdIsShownAndEveryValueShownIsStored)
{
    window();
    chooseTab("similarImageSelectView");
    EXPECT_EQ(slider()->value(), 85);
    EXPECT_EQ(label(), "85%");
    EXPECT_EQ(child<QLabel>("silmiarImageSliderLabel")->text(), "Similarity Threshold");
    const PlistDict before = file();

    // A drag to the left end is stored when the knob is let go.
    QTest::mousePress(slider(), Qt::LeftButton, {}, slider()->knobRect().center().toPoint());
    QTest::mouseMove(slider(), QPoint(0, slider()->height() / 2));
    EXPECT_EQ(label(), "20%");
    EXPECT_EQ(file(), before) << "stored when let go";
    QTest::mouseRelease(slider(), Qt::LeftButton, {}, QPoint(0, slider()->height() / 2));
    expectFile(before, {{"threshold", QString("20")}});

    // A keyboard step is stored at once.
    slider()->setFocus();
    QTest::keyClick(slider(), Qt::Key_Right);
    EXPECT_EQ(label(), "21%");
    expectFile(before, {{"threshold", QString("21")}});

    // A click on the track moves the knob there.
    QTest::mouseClick(slider(), Qt::LeftButton, {}, QPoint(slider()->width() - 1, slider()->height() / 2));
    EXPECT_EQ(label(), "100%");
    expectFile(before, {{"threshold", QString("100")}});

    // The step buttons step the slider itself: its label follows and its
    // own action stores the value.
    QTest::mouseClick(child<RYTButton>("sliderReduceBtn"), Qt::LeftButton);
    EXPECT_EQ(slider()->value(), 99);
    EXPECT_EQ(label(), "99%");
    expectFile(before, {{"threshold", QString("99")}});
}

TEST(ImageSliderTest, KnobAndTrackFollowTheValue)
{
    ImageSlider slider;
    slider.resize(300, 32);
    slider.setRange(20, 100);
    slider.setImage(QIcon());
    int told = 0;
    struct Owner : ImageSliderProtocol {
        int* count;
        void imageSliderValueDidChange() override { ++*count; }
    } owner;
    owner.count = &told;
    slider.setImageSliderProtocol(&owner);
    // Without a knob image it is a standard slider that still tells its owner.
    slider.setValue(60);
    EXPECT_EQ(told, 1);
    slider.setValue(60);
    EXPECT_EQ(told, 1);

    slider.setValue(20);
    EXPECT_DOUBLE_EQ(slider.knobRect().x(), -1.5);
    EXPECT_DOUBLE_EQ(slider.knobRect().width(), 25.0);
    EXPECT_DOUBLE_EQ(slider.filledRect().width(), -1.5);
    EXPECT_EQ(slider.trackRect(), QRectF(11, 13, 278, 6));
    slider.setValue(100);
    EXPECT_DOUBLE_EQ(slider.knobRect().x(), 300 - 23.5);
    EXPECT_DOUBLE_EQ(slider.knobRect().y(), 16 - 12.5);
}

}  // namespace
