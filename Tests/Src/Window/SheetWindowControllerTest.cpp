#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"

#include "FocusRingProbe.h"
#include "TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = SheetWindowController::SheetActionType;

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QMainWindow>();
        window->resize(1000, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ModalOverlay::setApplicationMainWindow(window.get());
    }

    void TearDown() override
    {
        SheetWindowController::endSheet();
        ModalOverlay::setApplicationMainWindow(nullptr);
        window.reset();
    }

    SheetWindowController* begin(Kind kind, const QString& message, const QString& first, const QString& second,
                                 bool* flag = nullptr)
    {
        SheetWindowController::beginSheet(kind, message, first, second, window.get(), flag,
                                          [this](int response) { answers.append(response); });
        return SheetWindowController::globalSheetController();
    }

    static bool fullyShown(SheetWindowController* sheet)
    {
        OverlayView* overlay = ModalOverlay::overlayFor(sheet);
        return overlay && overlay->phase() == OverlayView::Phase::shown;
    }

    std::unique_ptr<QMainWindow> window;
    QList<int> answers;
};

TEST_F(SheetTest, ANoticeHasOneFullWidthButtonThatAnswersOne)
{
    SheetWindowController* sheet = begin(Kind::determine, QStringLiteral("Done."), QStringLiteral("OK"), QString());
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    EXPECT_EQ(sheet->determineBtn()->title(), QStringLiteral("OK"));
    EXPECT_FALSE(sheet->uncertainBtn()->isVisible());
    EXPECT_FALSE(sheet->askContainer()->isVisible());
    EXPECT_EQ(sheet->determineBtn()->geometry().left(), 16);
    EXPECT_EQ(sheet->determineBtn()->width(), sheet->window()->width() - 32);
    EXPECT_EQ(sheet->determineBtn()->height(), 28);
    EXPECT_EQ(sheet->labelTextField()->text(), QStringLiteral("Done."));
    EXPECT_FALSE(sheet->imageView()->pixmap().isNull());
    EXPECT_EQ(sheet->imageView()->size(), QSize(50, 50));
    EXPECT_EQ(sheet->imageView()->geometry().top(), 20);

    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
    EXPECT_EQ(answers, QList<int>{1});
    EXPECT_EQ(ModalOverlay::overlayFor(sheet), nullptr);
}

TEST_F(SheetTest, AQuestionAnswersOneOnTheLeftAndZeroOnTheRight)
{
    SheetWindowController* sheet =
        begin(Kind::uncertain, QStringLiteral("Sure?"), QStringLiteral("Yes"), QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    EXPECT_EQ(sheet->uncertainBtn()->title(), QStringLiteral("Yes"));
    EXPECT_EQ(sheet->determineBtn()->title(), QStringLiteral("Cancel"));
    EXPECT_EQ(sheet->uncertainBtn()->geometry().left(), 16);
    EXPECT_EQ(sheet->uncertainBtn()->width(), 110);
    EXPECT_EQ(sheet->determineBtn()->width(), 110);
    EXPECT_EQ(sheet->determineBtn()->geometry().right(), sheet->window()->width() - 17);
    QTest::mouseClick(sheet->uncertainBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
    EXPECT_EQ(answers, QList<int>{1});

    sheet = begin(Kind::uncertain, QStringLiteral("Sure?"), QStringLiteral("Yes"), QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (QList<int>{1, 0}));
}

// The keyboard works as on any desktop dialog: the sheet takes the focus on
// its default button; Tab and Shift+Tab go round its own controls, never to
// the window under the veil; the one in focus shows the ring (also on the
// default button, filled in the ring's blue) and Space presses it; Return
// gives the default answer wherever the focus is, Escape the cancelling one.
TEST_F(SheetTest, TheKeyboardGoesRoundTheSheetAndAnswersIt)
{
    auto* under = new QPushButton(QStringLiteral("Under the veil"));
    window->setCentralWidget(under);
    int pressedUnder = 0;
    QObject::connect(under, &QPushButton::clicked, [&] { ++pressedUnder; });
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // What the user types goes to the widget with the keyboard focus.
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused() ? focused() : window.get(), key, modifiers);
    };
    const auto shown = [&](Kind kind, const QString& first, const QString& second) {
        SheetWindowController* sheet = begin(kind, QStringLiteral("Sure?"), first, second);
        EXPECT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
        EXPECT_EQ(focused(), sheet->determineBtn());
        return sheet;
    };

    SheetWindowController* sheet = shown(Kind::uncertain, QStringLiteral("Yes"), QStringLiteral("Cancel"));
    EXPECT_TRUE(FocusRingProbe::isVisible(sheet->determineBtn(), QRect(), true));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), sheet->uncertainBtn());
    EXPECT_TRUE(FocusRingProbe::isVisible(sheet->uncertainBtn()));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), sheet->determineBtn()) << "Tab stays in the sheet";
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), sheet->uncertainBtn());
    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 1; }));
    shown(Kind::uncertain, QStringLiteral("Yes"), QStringLiteral("Cancel"));
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    // With the check box the Tab goes round three; Space presses "Yes".
    sheet = shown(Kind::filterFlag, QStringLiteral("Yes"), QStringLiteral("Cancel"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), sheet->checkbox());
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), sheet->uncertainBtn());
    press(Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 3; }));
    shown(Kind::determine, QStringLiteral("OK"), QString());
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 4; }));
    shown(Kind::determine, QStringLiteral("OK"), QString());
    press(Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 5; }));
    EXPECT_EQ(answers, (QList<int>{0, 0, 1, 1, 1}));
    EXPECT_EQ(pressedUnder, 0);
}

TEST_F(SheetTest, APressDisablesBothButtonsSoTheSheetAnswersOnce)
{
    SheetWindowController* sheet =
        begin(Kind::uncertain, QStringLiteral("Sure?"), QStringLiteral("Yes"), QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    QTest::mouseClick(sheet->uncertainBtn(), Qt::LeftButton);
    EXPECT_FALSE(sheet->uncertainBtn()->isEnabled());
    EXPECT_FALSE(sheet->determineBtn()->isEnabled());
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    SheetWindowController::endSheet(0);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(sheet) == nullptr; }));
    EXPECT_EQ(answers, QList<int>{1});
}

TEST_F(SheetTest, TheCheckBoxWritesTheCallersFlagOnEveryClick)
{
    bool flag = false;
    SheetWindowController* sheet = begin(Kind::filterFlag, QStringLiteral("Remove?"), QStringLiteral("Yes"),
                                         QStringLiteral("Cancel"), &flag);
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    ASSERT_TRUE(sheet->askContainer()->isVisible());
    EXPECT_GE(sheet->askContainer()->geometry().top(), sheet->determineBtn()->geometry().bottom() + 16);
    EXPECT_EQ(sheet->askLabel()->text(), QStringLiteral("Don't remind me again."));
    EXPECT_EQ(sheet->checkbox()->state(), RYTCheckBox::stateOff);

    QTest::mouseClick(sheet->checkbox(), Qt::LeftButton);
    EXPECT_TRUE(flag);
    QTest::mouseClick(sheet->checkbox(), Qt::LeftButton);
    EXPECT_FALSE(flag);
    QTest::mouseClick(sheet->checkbox(), Qt::LeftButton);
    EXPECT_TRUE(flag);
    EXPECT_EQ(sheet->showPoint(), &flag);
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
    EXPECT_EQ(answers, QList<int>{0});
    EXPECT_EQ(sheet->showPoint(), nullptr);
    EXPECT_TRUE(flag);
}

TEST_F(SheetTest, AnUntouchedBoxLeavesTheFlagAlone)
{
    bool flag = true;
    SheetWindowController* sheet = begin(Kind::filterFlag, QStringLiteral("Remove?"), QStringLiteral("Yes"),
                                         QStringLiteral("Cancel"), &flag);
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    QTest::mouseClick(sheet->uncertainBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
    EXPECT_TRUE(flag);
}

TEST_F(SheetTest, ATallMessageIsAlignedToTheStartAndMakesTheSheetTaller)
{
    SheetWindowController* sheet = begin(Kind::determine, QStringLiteral("Short."), QStringLiteral("OK"), QString());
    EXPECT_TRUE(sheet->labelTextField()->alignment() & Qt::AlignHCenter);
    const int shortHeight = sheet->window()->height();
    EXPECT_GE(shortHeight, 150);

    const QString tall = QStringLiteral("The folder does not exist. Please choose another one. It may be moved, "
                                        "renamed or deleted. Check the disk it was on and try once more.");
    sheet = begin(Kind::determine, tall, QStringLiteral("OK"), QString());
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    EXPECT_GT(sheet->labelTextField()->height(), 41);
    EXPECT_EQ(sheet->labelTextField()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_GT(sheet->window()->height(), shortHeight);
    EXPECT_EQ(sheet->window()->width(), 260);
    // The buttons sit below the whole message.
    EXPECT_GE(sheet->determineBtn()->geometry().top(), sheet->labelTextField()->geometry().bottom() + 16);

    window->setLayoutDirection(Qt::RightToLeft);
    sheet = begin(Kind::determine, tall, QStringLiteral("OK"), QString());
    EXPECT_TRUE(sheet->labelTextField()->alignment() & Qt::AlignRight);
}

TEST_F(SheetTest, EndingFromCodeAnswersTheDefaultBeforeTheSheetCloses)
{
    bool overlayWhenAnswered = false;
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("Sure?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), window.get(), nullptr, [&](int response) {
                                          answers.append(response);
                                          overlayWhenAnswered =
                                              ModalOverlay::overlayFor(SheetWindowController::globalSheetController())
                                              != nullptr;
                                      });
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    SheetWindowController::endSheet();
    EXPECT_EQ(answers, QList<int>{0});
    EXPECT_TRUE(overlayWhenAnswered);
    EXPECT_EQ(ModalOverlay::overlayFor(sheet), nullptr);

    begin(Kind::determine, QStringLiteral("Done."), QStringLiteral("OK"), QString());
    SheetWindowController::endSheet();
    EXPECT_EQ(answers, (QList<int>{0, 1}));
    SheetWindowController::endSheet();
    SheetWindowController::endSheet(1);
    EXPECT_EQ(answers, (QList<int>{0, 1}));
}

TEST_F(SheetTest, ASecondSheetEndsTheFirstWhichAnswersItsOwnCaller)
{
    QList<int> first;
    QList<int> second;
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("First?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), window.get(), nullptr,
                                      [&](int r) { first.append(r); });
    QPointer<SheetWindowController> a = SheetWindowController::globalSheetController();
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("Second?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), window.get(), nullptr,
                                      [&](int r) { second.append(r); });
    SheetWindowController* b = SheetWindowController::globalSheetController();
    EXPECT_NE(a, b);
    EXPECT_EQ(first, QList<int>{0});
    EXPECT_TRUE(second.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return fullyShown(b); }));
    QTest::mouseClick(b->uncertainBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !second.isEmpty(); }));
    EXPECT_EQ(first, QList<int>{0});
    EXPECT_EQ(second, QList<int>{1});
}

TEST_F(SheetTest, AnAnswerGivenDuringTheFadeReachesTheSheetThatWasAnswered)
{
    QList<int> first;
    QList<int> second;
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("First?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), window.get(), nullptr,
                                      [&](int r) { first.append(r); });
    SheetWindowController* a = SheetWindowController::globalSheetController();
    ASSERT_TRUE(waitUntil([&] { return fullyShown(a); }));
    QTest::mouseClick(a->uncertainBtn(), Qt::LeftButton);
    // A new sheet begins while the first is still fading out.
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("Second?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), window.get(), nullptr,
                                      [&](int r) { second.append(r); });
    ASSERT_TRUE(waitUntil([&] { return !first.isEmpty(); }));
    EXPECT_EQ(first, QList<int>{1});
    EXPECT_TRUE(second.isEmpty());
    SheetWindowController::endSheet();
    EXPECT_EQ(second, QList<int>{0});
    EXPECT_EQ(first, QList<int>{1});
}

TEST_F(SheetTest, ReadyMadeSheetsCarryTheirTextsOverTheMainWindow)
{
    QList<int> got;
    SheetWindowController::showContentSureExitApp([&](int r) { got.append(r); });
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->sheetType(), Kind::uncertain);
    EXPECT_EQ(sheet->labelTextField()->text(), QStringLiteral("Are you sure you want to exit the program?"));
    EXPECT_EQ(sheet->uncertainBtn()->title(), QStringLiteral("Yes"));
    EXPECT_EQ(sheet->determineBtn()->title(), QStringLiteral("Cancel"));
    EXPECT_EQ(ModalOverlay::overlayFor(sheet)->parentWidget(), window.get());

    SheetWindowController::showContentFileNotExist();
    EXPECT_EQ(got, QList<int>{0});
    sheet = SheetWindowController::globalSheetController();
    EXPECT_EQ(sheet->sheetType(), Kind::determine);
    EXPECT_EQ(sheet->labelTextField()->text(),
              QStringLiteral("This file does not exist. It may be moved, renamed or deleted."));
    EXPECT_EQ(sheet->determineBtn()->title(), QStringLiteral("OK"));

    SheetWindowController::showContentFolderNotExist();
    sheet = SheetWindowController::globalSheetController();
    EXPECT_EQ(sheet->labelTextField()->text(),
              QStringLiteral("The folder does not exist. Please choose another one. It may be moved, renamed or "
                             "deleted."));
}

TEST_F(SheetTest, WithoutAMainWindowReadyMadeSheetsShowNothing)
{
    SheetWindowController::endSheet();
    SheetWindowController* before = SheetWindowController::globalSheetController();
    ModalOverlay::setApplicationMainWindow(nullptr);
    window->hide();
    bool called = false;
    SheetWindowController::showContentSureExitApp([&](int) { called = true; });
    SheetWindowController::showContentFileNotExist();
    EXPECT_EQ(SheetWindowController::globalSheetController(), before);
    EXPECT_FALSE(called);
}

TEST_F(SheetTest, WithoutAParentTheCallerStillHearsTheDefault)
{
    QList<int> got;
    SheetWindowController::beginSheet(Kind::uncertain, QStringLiteral("Sure?"), QStringLiteral("Yes"),
                                      QStringLiteral("Cancel"), nullptr, nullptr, [&](int r) { got.append(r); });
    EXPECT_TRUE(got.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !got.isEmpty(); }));
    EXPECT_EQ(got, QList<int>{0});
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    EXPECT_FALSE(SheetWindowController::globalSheetController()->isShowing());
}

TEST_F(SheetTest, TheWhiteCardKeepsItsLightLooksInTheDarkAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    bool flag = false;
    SheetWindowController* sheet = begin(Kind::filterFlag, QStringLiteral("Remove?"), QStringLiteral("Yes"),
                                         QStringLiteral("Cancel"), &flag);
    ASSERT_TRUE(waitUntil([&] { return fullyShown(sheet); }));
    const QImage card = sheet->window()->grab().toImage();
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(QApplication::style()->standardPalette());

    const auto light = [](const char* name) { return RYTDarkMode::colorNamed(QString::fromLatin1(name), false); };
    // The card itself, in its left margin below the rounded corner.
    const qreal ratio = card.devicePixelRatio();
    EXPECT_EQ(card.pixelColor(qRound(8 * ratio), card.height() / 2), QColor(Qt::white));
    for (QLabel* text : {sheet->labelTextField(), sheet->askLabel()}) {
        EXPECT_EQ(text->palette().color(QPalette::WindowText), light("LabelColor")) << qPrintable(text->text());
    }
    using State = RYTButton::State;
    EXPECT_EQ(sheet->uncertainBtn()->fillColor(State::normal), light("ButtonNormalUncertainColor"));
    EXPECT_EQ(sheet->uncertainBtn()->fillColor(State::up), light("ButtonHoverUncertainColor"));
    EXPECT_EQ(sheet->uncertainBtn()->titleColor(State::normal), light("LabelColor"));
    EXPECT_EQ(sheet->uncertainBtn()->borderColor(State::normal), light("ButtonborderColor"));
    EXPECT_EQ(sheet->determineBtn()->fillColor(State::normal), light("ButtonNormalColor"));
    EXPECT_EQ(sheet->determineBtn()->fillColor(State::disable), light("ButtonDisableColor"));
}

}  // namespace
