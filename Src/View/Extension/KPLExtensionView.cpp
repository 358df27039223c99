#include "KPLExtensionView.h"

#include "Main/Utilities.h"
#include "DesktopApplications.h"
#include "Foundation/Bundle.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include "Foundation/Dispatch.h"
#include "Foundation/ResourceValues.h"
#include "QVLibrary/RYTFullSizeWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <map>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The extension as the usage event reports it: what follows the last dot of
// the name, empty for names without one and for hidden names like ".bashrc".
QString pathExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        return {};
    }
    return name.mid(dot + 1);
}

}  // namespace

void openFilePath(const QByteArray& path)
{
    if (path.isEmpty()) {
        return;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("ViewFormat"), pathExtension(QFile::decodeName(path)));
    openFileAtPath(path);
}

void openFilePath(const QString& path)
{
    openFilePath(QFile::encodeName(path));
}

QByteArrayList chosenPaths(const QFileDialog* dialog)
{
    QByteArrayList paths;
    for (const QUrl& url : dialog->selectedUrls()) {
        if (url.isLocalFile()) {
            paths << FilePath::onDisk(FilePath::fromFileUrl(url));
        }
    }
    return paths;
}

namespace {

// A name that is not valid text still reaches the file: its bytes go into
// the address as they are.
QUrl localFileUrl(const QByteArray& target)
{
    const QString text = QFile::decodeName(target);
    return QFile::encodeName(text) == target ? QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath())
                                             : QUrl::fromEncoded("file://" + target.toPercentEncoding("/"));
}

QByteArray folderOf(const QByteArray& path)
{
    return path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
}

void handToDesktop(const QByteArray& target, bool folder);

void tellFolderNotShown(const QByteArray& folder)
{
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;
    }
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::determine,
        fillPlaceholders(localized("The folder “%@” could not be shown: no file manager on this computer opens it."),
                         {QFile::decodeName(folder)}),
        localized("OK"), QString(), parent, nullptr, nullptr);
}

void offerFolder(const QByteArray& file)
{
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;
    }
    const QString name = QFile::decodeName(file.mid(file.lastIndexOf('/') + 1));
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::uncertain,
        fillPlaceholders(localized("“%@” could not be opened: no application on this computer opens files of its "
                                   "kind. You can show it in its folder instead."),
                         {name}),
        localized("Show in Folder"), localized("Cancel"), parent, nullptr, [file](int response) {
            if (response == 1) {
                handToDesktop(folderOf(file), true);
            }
        });
}

// The hand-overs in the order they were asked for, though their looks at
// the database end in any order: two images clicked one after the other
// open one after the other. Main thread only.
struct HandOvers {
    quint64 next = 0;
    quint64 due = 0;
    std::map<quint64, std::function<void()>> ready;
};

HandOvers& handOvers()
{
    static HandOvers queue;
    return queue;
}

// Hands the file or folder to the desktop's opener. The opener says nothing
// when no application takes the file's kind (or when there is no opener at
// all), so the desktop's database is asked first, off the main thread, and
// the user is told either way.
void handToDesktop(const QByteArray& target, bool folder)
{
    const quint64 ticket = handOvers().next++;
    DispatchQueue::global().async([target, folder, ticket] {
        const bool known = DesktopApplications::hasApplicationFor(target);
        DispatchQueue::main().async([target, folder, known, ticket] {
            HandOvers& queue = handOvers();
            queue.ready[ticket] = [target, folder, known] {
                if (known && QDesktopServices::openUrl(localFileUrl(target))) {
                    return;
                }
                TSLOG(QStringLiteral("No application opens"), QFile::decodeName(target));
                if (folder) {
                    tellFolderNotShown(target);
                } else {
                    offerFolder(target);
                }
            };
            for (auto it = queue.ready.find(queue.due); it != queue.ready.end(); it = queue.ready.find(queue.due)) {
                const std::function<void()> handOver = std::move(it->second);
                queue.ready.erase(it);
                ++queue.due;
                handOver();
            }
        });
    });
}

}  // namespace

void openFileAtPath(const QByteArray& path)
{
    if (path.isEmpty()) {
        return;
    }
    QByteArray absolute = path;
    if (!absolute.startsWith('/')) {
        absolute = QFile::encodeName(QDir::currentPath()) + '/' + absolute;
    }
    struct stat st {};
    if (::stat(absolute.constData(), &st) != 0) {
        SheetWindowController::showContentFileNotExist();
        return;
    }
    // Opening a program or a launcher would run it: show where it lies.
    const bool runnable = S_ISREG(st.st_mode)
                          && (::access(absolute.constData(), X_OK) == 0 || absolute.toLower().endsWith(".desktop"));
    if (runnable) {
        handToDesktop(folderOf(absolute), true);
    } else {
        handToDesktop(absolute, S_ISDIR(st.st_mode));
    }
}

void placeWindow(QWidget* window, QSize size, const QRect& before)
{
    if (!window || !window->isWindow() || (window->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized))) {
        return;
    }
    // The layouts learn a new content's limits only once their requests have
    // run, innermost first.
    for (int pass = 0; pass < 8; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    if (window->layout()) {
        window->layout()->activate();
    }
    // The frame around the content, as the window system draws it.
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    // No larger than the screen has room for, unless the content needs more.
    if (const QScreen* screen = window->screen()) {
        size = size.boundedTo(screen->availableGeometry().size() - (outer.size() - inner.size()));
    }
    size = size.expandedTo(window->minimumSize()).expandedTo(window->minimumSizeHint()).boundedTo(window->maximumSize());
    const QSize outerSize = size + (outer.size() - inner.size());
    QPoint topLeft = before.topLeft()
                     + QPoint((before.width() - outerSize.width()) / 2, (before.height() - outerSize.height()) / 2);
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - outerSize.width())));
        topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - outerSize.height())));
    }
    window->resize(size);
    // A window's position is its frame's.
    window->move(topLeft);
}

void setMainWindowFullScreenButtonEnable(QWidget* window, bool enable)
{
    QPointer<QWidget> guarded(window);
    const bool given = window != nullptr;
    DispatchQueue::main().async([guarded, given, enable] {
        if (!given || !guarded) {
            return;
        }
        if (auto* full = qobject_cast<RYTFullSizeWindow*>(guarded.data())) {
            full->setFullScreenButtonEnabled(enable);
        }
    });
}

namespace {
QHash<QString, std::function<QWidget*()>>& cellNibs()
{
    static QHash<QString, std::function<QWidget*()>> nibs;
    return nibs;
}
}  // namespace

void registerCellNib(const QString& nibName, std::function<QWidget*()> factory)
{
    cellNibs().insert(nibName, std::move(factory));
}

QWidget* instantiateCellNib(const QString& nibName)
{
    const auto it = cellNibs().constFind(nibName);
    if (it == cellNibs().constEnd() || !*it) {
        return nullptr;
    }
    return (*it)();
}

QString cellNibName(const QMetaObject& meta, bool remove)
{
    QString name = QString::fromLatin1(meta.className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    return remove ? QStringLiteral("Remove") + name : name;
}

QString AttributedString::string() const
{
    QString text;
    for (const AttributedRun& run : runs) {
        text += run.text;
    }
    return text;
}

QString AttributedString::toHtml() const
{
    QString html;
    for (const AttributedRun& run : runs) {
        QString escaped = run.text.toHtmlEscaped();
        escaped.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
        QString style = QStringLiteral("font-family:'%1';").arg(run.font.family());
        if (run.font.pixelSize() > 0) {
            style += QStringLiteral("font-size:%1px;").arg(run.font.pixelSize());
        } else if (run.font.pointSizeF() > 0) {
            style += QStringLiteral("font-size:%1pt;").arg(run.font.pointSizeF());
        }
        style += QStringLiteral("font-weight:%1;").arg(static_cast<int>(run.font.weight()));
        if (run.color.isValid()) {
            style += QStringLiteral("color:%1;").arg(run.color.name(QColor::HexArgb));
        }
        html += QStringLiteral("<span style=\"%1\">%2</span>").arg(style, escaped);
    }
    return html;
}

void AttributedString::append(const QString& text, const QFont& font, const QColor& color)
{
    if (text.isEmpty()) {
        return;
    }
    runs.append(AttributedRun{text, font, color});
}

AttributedString highLightText(const QString& text, const QFont& font, const QColor& color, const QString& highLight,
                               const QFont& hightLightFont, const QColor& highLightColor)
{
    AttributedString result;
    if (highLight.isEmpty()) {
        result.append(text, font, color);
        return result;
    }
    const QStringList pieces = text.split(highLight);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        result.append(pieces.at(i), font, color);
        if (i + 1 < pieces.size()) {
            result.append(highLight, hightLightFont, highLightColor);
        }
    }
    return result;
}

AttributedString highLightText(const QString& text, const QFont& font, const QColor& color,
                               const TextRange& highLightRange, const QFont& hightLightFont,
                               const QColor& highLightColor)
{
    // A range reaching outside the text is clipped rather than trusted.
    const qsizetype size = text.size();
    const qsizetype location = highLightRange.location;
    const qsizetype length = qMax(0, highLightRange.length);
    const qsizetype start = std::clamp<qsizetype>(location, 0, size);
    const qsizetype end = std::clamp<qsizetype>(location + length, start, size);
    AttributedString result;
    result.append(text.left(start), font, color);
    result.append(text.mid(start, end - start), hightLightFont, highLightColor);
    result.append(text.mid(end), font, color);
    return result;
}

namespace {

QString debugQuoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case 0:
            out += QStringLiteral("\\0");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString valueText(const QVariant& value)
{
    if (!value.isValid()) {
        return QStringLiteral("nil");
    }
    if (value.canConvert<QString>()) {
        return value.toString();
    }
    if (value.canConvert<QStringList>()) {
        return QLatin1Char('[') + value.toStringList().join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    return QString::fromLatin1(value.typeName());
}

void writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

QString printKPLText(const QVariant& value, const QString& typeName, int line, const char* function)
{
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const QString text = time + QLatin1Char(' ') + typeName + QLatin1Char(' ') + QString::fromUtf8(function ? function : "")
                         + QLatin1Char(' ') + QString::number(line) + QChar(0xFF1A) + QLatin1Char('\n')
                         + valueText(value);
    return debugQuoted(text);
}

void printKPL(const QVariant& value, const QObject* obj, int line, const char* function)
{
    QString type = obj ? QString::fromLatin1(obj->metaObject()->className()) : QStringLiteral("nil");
    type = type.mid(type.lastIndexOf(QLatin1Char(':')) + 1);
    writeLine(printKPLText(value, type, line, function));
}

void printKPL(const QVariant& value, const char* typeName, int line, const char* function)
{
    writeLine(printKPLText(value, QString::fromUtf8(typeName ? typeName : "nil"), line, function));
}

ViewController::ViewController(QWidget* parent)
    : QWidget(parent)
{
}

bool ViewController::isShouldCloseWindow()
{
    return true;
}

void ViewController::windowDidEnterFullScreen()
{
}

void ViewController::windowDidExitFullScreen()
{
}

bool isShouldCloseWindow(QWidget* controller)
{
    auto* vc = qobject_cast<ViewController*>(controller);
    return vc ? vc->isShouldCloseWindow() : true;
}

void windowDidEnterFullScreen(QWidget* controller)
{
    if (auto* vc = qobject_cast<ViewController*>(controller)) {
        vc->windowDidEnterFullScreen();
    }
}

void windowDidExitFullScreen(QWidget* controller)
{
    if (auto* vc = qobject_cast<ViewController*>(controller)) {
        vc->windowDidExitFullScreen();
    }
}

QFont systemFont(double size)
{
    QFont font = QGuiApplication::font();
    if (size > 0.0) {
        font.setPixelSize(qMax(1, qRound(size)));
    }
    return font;
}

QFont shuziFont(double size)
{
    static const bool installed = QFontDatabase::hasFamily(QStringLiteral("Shuzi"));
    QFont font = installed ? QFont(QStringLiteral("Shuzi")) : QGuiApplication::font();
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

std::optional<int> rowForListKey(const QKeyEvent* event, int current, int count, int page)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        return std::nullopt;
    }
    int row = current;
    switch (event->key()) {
    case Qt::Key_Up:
        row -= 1;
        break;
    case Qt::Key_Down:
        row += 1;
        break;
    case Qt::Key_PageUp:
        row -= page;
        break;
    case Qt::Key_PageDown:
        row += page;
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = count - 1;
        break;
    default:
        return std::nullopt;
    }
    return count > 0 ? std::clamp(row, 0, count - 1) : -1;
}
