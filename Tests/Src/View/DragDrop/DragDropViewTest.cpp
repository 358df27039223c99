#include "View/DragDropView.h"

#include "Foundation/ResourceValues.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class Screen : public DragDropViewDelegate {
public:
    QStringList heard;
    QByteArrayList dropped;

    void draggingEntered(DragDropView*) override { heard << QStringLiteral("entered"); }
    void draggingExited(DragDropView*) override { heard << QStringLiteral("exited"); }
    void dragDrop(DragDropView*, const QByteArrayList& paths) override
    {
        heard << QStringLiteral("drop");
        dropped = paths;
    }
};

class DragDropViewTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        folder = scratch() + QStringLiteral("/Photos");
        second = scratch() + QStringLiteral("/Music");
        bundle = scratch() + QStringLiteral("/Tool.app");
        for (const QString& path : {folder, second, bundle}) {
            ASSERT_TRUE(QDir().mkpath(path));
        }
        file = writeFile(QStringLiteral("scratch/notes.txt"), "text");
        view.resize(300, 200);
        view.setDelegate(&screen);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void TearDown() override
    {
        view.setDelegate(nullptr);
        TempHomeTest::TearDown();
    }

    static QMimeData* urls(const QStringList& paths)
    {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const QString& path : paths) {
            list.append(QUrl::fromLocalFile(path));
        }
        data->setUrls(list);
        return data;
    }

    // Sends the enter event; answers whether a drop is allowed.
    bool enter(const QMimeData* data)
    {
        QDragEnterEvent event(QPoint(50, 50), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
        EXPECT_TRUE(event.isAccepted());
        QDragMoveEvent move(QPoint(60, 60), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
        return move.isAccepted() && move.dropAction() == Qt::CopyAction;
    }
    void leave()
    {
        QDragLeaveEvent event;
        QCoreApplication::sendEvent(&view, &event);
    }
    bool drop(const QMimeData* data)
    {
        QDropEvent event(QPointF(60, 60), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
        return event.isAccepted();
    }

    QString folder;
    QString second;
    QString bundle;
    QString file;
    DragDropView view;
    Screen screen;
};

TEST_F(DragDropViewTest, LocalItemsEnterByTheirAddressesAloneAndDrop)
{
    // What an address names is not looked at during the drag (the screen
    // sorts out the folders off the main thread): a file, a path that is
    // gone and a folder all come in; the bundle stays out by its name.
    const QString gone = scratch() + QStringLiteral("/gone");
    std::unique_ptr<QMimeData> data(urls({folder, file, gone, bundle}));
    EXPECT_TRUE(enter(data.get()));
    EXPECT_EQ(view.draggingEntered(data.get()), DragDropView::DragOperation::copy);
    const QByteArrayList taken{QFile::encodeName(folder), QFile::encodeName(file), QFile::encodeName(gone)};
    EXPECT_EQ(view.pathList(), taken);
    EXPECT_EQ(view.isFile(), 0);
    EXPECT_FALSE(view.showsProhibitedCursor());
    EXPECT_TRUE(drop(data.get()));
    EXPECT_EQ(screen.heard, (QStringList{QStringLiteral("entered"), QStringLiteral("entered"), QStringLiteral("drop")}));
    EXPECT_EQ(screen.dropped, taken);
}

TEST_F(DragDropViewTest, OnlyBundlesOrAddressesThatAreNotLocalAreRefusedWithTheProhibitedPointer)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl(QStringLiteral("https://example.org/photos")), QUrl::fromLocalFile(bundle + QLatin1Char('/'))});
    EXPECT_FALSE(enter(data.get()));
    EXPECT_EQ(view.isFile(), 1);
    EXPECT_TRUE(view.showsProhibitedCursor());
    EXPECT_NE(view.cursor().shape(), Qt::ArrowCursor);
    leave();
    // The exit of a refused drag tells nobody, and resets the flags and pointer.
    EXPECT_TRUE(screen.heard.isEmpty());
    EXPECT_EQ(view.isFile(), 0);
    EXPECT_EQ(view.isDrag(), 1);
    EXPECT_FALSE(view.showsProhibitedCursor());
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    // A folder named like an application bundle is refused too.
    std::unique_ptr<QMimeData> app(urls({bundle}));
    EXPECT_FALSE(enter(app.get()));
    EXPECT_TRUE(view.pathList().isEmpty());
    // So is a drag with no file names at all.
    QMimeData text;
    text.setText(QStringLiteral("words"));
    EXPECT_FALSE(enter(&text));
    EXPECT_TRUE(screen.heard.isEmpty());
}

TEST_F(DragDropViewTest, EachEntryStartsAFreshListAndAnAcceptedExitTellsTheScreen)
{
    std::unique_ptr<QMimeData> first(urls({folder, second}));
    EXPECT_TRUE(enter(first.get()));
    EXPECT_EQ(view.pathList(), (QByteArrayList{QFile::encodeName(folder), QFile::encodeName(second)}));
    view.setIsDrag(0);
    leave();
    EXPECT_EQ(view.isDrag(), 1);
    EXPECT_EQ(view.isFile(), 0);

    std::unique_ptr<QMimeData> next(urls({second, bundle}));
    EXPECT_TRUE(enter(next.get()));
    EXPECT_EQ(view.pathList(), QByteArrayList{QFile::encodeName(second)});
    EXPECT_TRUE(drop(next.get()));
    EXPECT_EQ(screen.dropped, QByteArrayList{QFile::encodeName(second)});
    EXPECT_EQ(screen.heard, (QStringList{QStringLiteral("entered"), QStringLiteral("exited"),
                                         QStringLiteral("entered"), QStringLiteral("drop")}));
}

TEST_F(DragDropViewTest, AFolderWhoseNameIsNotUtf8KeepsItsBytes)
{
    const QByteArray odd = QFile::encodeName(scratch()) + "/r\xff\xfeoot";
    ASSERT_EQ(::mkdir(odd.constData(), 0755), 0);
    auto data = std::make_unique<QMimeData>();
    data->setUrls({FilePath::fileUrl(odd)});
    // As a file manager puts it on the clipboard: the URL's own bytes.
    data->setData(QStringLiteral("text/uri-list"), FilePath::fileUrl(odd).toEncoded() + "\r\n");
    EXPECT_TRUE(enter(data.get()));
    EXPECT_EQ(view.pathList(), QByteArrayList{odd});
    EXPECT_TRUE(drop(data.get()));
    EXPECT_EQ(screen.dropped, QByteArrayList{odd});
}

TEST_F(DragDropViewTest, WithoutADelegateADropStillSucceedsQuietly)
{
    view.setDelegate(nullptr);
    std::unique_ptr<QMimeData> data(urls({folder}));
    EXPECT_TRUE(enter(data.get()));
    EXPECT_TRUE(drop(data.get()));
    EXPECT_TRUE(view.prepareForDragOperation());
}

}  // namespace
