#include "Window/ModalOverlay.h"
#include "Window/WindowController.h"

#include "TestSupport.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class ModalOverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = std::make_unique<QMainWindow>();
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        under = new QPushButton(QStringLiteral("Under"), central);
        field = new QLineEdit(central);
        layout->addWidget(under);
        layout->addWidget(field);
        parent->setCentralWidget(central);
        parent->resize(1000, 700);
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));

        controller.setWindow(new QWidget);
        auto* dialogLayout = new QVBoxLayout(controller.window());
        dialogButton = new QPushButton(QStringLiteral("Inside"));
        dialogLayout->addWidget(dialogButton);
        controller.window()->resize(260, 150);
    }

    void TearDown() override
    {
        ModalOverlay::stopModal();
        parent.reset();
    }

    OverlayView* overlay() { return ModalOverlay::overlayFor(&controller); }
    bool shown() { return overlay() && overlay()->phase() == OverlayView::Phase::shown; }
    bool gone() { return overlay() == nullptr; }

    // A click delivered through the window, so it lands on whatever is on top.
    void clickThroughWindow(QWidget* target)
    {
        const QPoint at = target->mapTo(target->window(), target->rect().center());
        QTest::mouseClick(target->window()->windowHandle(), Qt::LeftButton, {}, at);
    }

    std::unique_ptr<QMainWindow> parent;
    QPushButton* under = nullptr;
    QLineEdit* field = nullptr;
    QPushButton* dialogButton = nullptr;
    WindowController controller;
};

TEST_F(ModalOverlayTest, CoversTheParentAndCentresTheDialogAtItsOwnSize)
{
    ModalOverlay::beginSheet(parent.get(), &controller, false);
    ASSERT_NE(overlay(), nullptr);
    EXPECT_EQ(overlay()->geometry(), QRect(0, 0, 1000, 700));
    EXPECT_LT(overlay()->alpha(), 1.0);
    ASSERT_TRUE(waitUntil([&] { return shown(); }));
    EXPECT_DOUBLE_EQ(overlay()->alpha(), 1.0);

    const QRect dialog = controller.window()->geometry();
    EXPECT_EQ(dialog.width(), 260);
    EXPECT_GE(dialog.height(), 150);
    EXPECT_EQ(dialog.center(), overlay()->rect().center());

    // Unlike a detached window, the veil grows with its parent, so nothing
    // under it becomes clickable.
    parent->resize(1200, 800);
    EXPECT_EQ(overlay()->geometry(), QRect(0, 0, 1200, 800));
    EXPECT_EQ(controller.window()->width(), 260);
}

TEST_F(ModalOverlayTest, TheVeilTakesClicksMeantForTheWindowBelow)
{
    QSignalSpy underClicks(under, &QPushButton::clicked);
    QSignalSpy insideClicks(dialogButton, &QPushButton::clicked);
    ModalOverlay::beginSheet(parent.get(), &controller, false);
    ASSERT_TRUE(waitUntil([&] { return shown(); }));
    clickThroughWindow(under);
    clickThroughWindow(dialogButton);
    EXPECT_EQ(underClicks.count(), 0);
    EXPECT_EQ(insideClicks.count(), 1);
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
}

TEST_F(ModalOverlayTest, ModalStartsWhenTheFadeEndsAndBlocksOtherWindows)
{
    QWidget other;
    auto* otherField = new QLineEdit(&other);
    other.show();

    ModalOverlay::beginSheet(parent.get(), &controller, true);
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::modalWindow() == overlay(); }));
    EXPECT_TRUE(overlay()->isRunningModal());

    QTest::keyClicks(otherField, QStringLiteral("abc"));
    QTest::keyClicks(field, QStringLiteral("abc"));
    EXPECT_TRUE(otherField->text().isEmpty());
    EXPECT_TRUE(field->text().isEmpty());
    QSignalSpy insideClicks(dialogButton, &QPushButton::clicked);
    QTest::mouseClick(dialogButton, Qt::LeftButton);
    EXPECT_EQ(insideClicks.count(), 1);

    bool closed = false;
    ModalOverlay::endSheet(parent.get(), &controller, [&] { closed = true; });
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    EXPECT_TRUE(gone());
    QTest::keyClicks(otherField, QStringLiteral("abc"));
    EXPECT_EQ(otherField->text(), QStringLiteral("abc"));
    // The dialog's window stays with its controller.
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_EQ(controller.window()->parentWidget(), nullptr);
    EXPECT_FALSE(controller.window()->isVisible());
}

TEST_F(ModalOverlayTest, EndingDuringTheFadeInLeavesNothingModal)
{
    ModalOverlay::beginSheet(parent.get(), &controller, true);
    QPointer<OverlayView> veil = overlay();
    ASSERT_NE(veil, nullptr);
    bool closed = false;
    ModalOverlay::endSheet(parent.get(), &controller, [&] { closed = true; });
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    // Once the veil is gone, with its animations, no fade-in can still end.
    ASSERT_TRUE(waitUntil([&] { return veil.isNull(); }));
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    QTest::keyClicks(field, QStringLiteral("x"));
    EXPECT_EQ(field->text(), QStringLiteral("x"));
}

TEST_F(ModalOverlayTest, WithoutAParentOrAWindowNothingHappens)
{
    ModalOverlay::beginSheet(nullptr, &controller, true);
    EXPECT_TRUE(gone());
    WindowController empty;
    ModalOverlay::beginSheet(parent.get(), &empty, true);
    bool closed = false;
    ModalOverlay::endSheet(parent.get(), &empty, [&] { closed = true; });
    EXPECT_FALSE(closed);
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
}

TEST_F(ModalOverlayTest, AParentClosedUnderTheDialogStillEndsItAndFreesInput)
{
    ModalOverlay::beginSheet(parent.get(), &controller, true);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::modalWindow() != nullptr; }));
    bool closed = false;
    ModalOverlay::endSheet(parent.get(), &controller, [&] { closed = true; });
    parent.reset();
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    EXPECT_NE(controller.window(), nullptr);
}

}  // namespace
