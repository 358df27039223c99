#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QByteArrayList>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

class QFileDialog;
class QKeyEvent;

// --- Lists by the keyboard ---------------------------------------------------

// The row a list's key moves its choice to, from `current` (-1 for none):
// Up and Down one row, Page Up and Page Down `page` rows, Home and End the
// first and the last, always within the `count` rows; -1 in an empty list.
// None for any other key and for keys held with modifiers but the keypad's.
std::optional<int> rowForListKey(const QKeyEvent* event, int current, int count, int page);

// --- Opening files ---------------------------------------------------------

// Opens a file with its default application, a folder in the file manager.
// An executable or a .desktop file is shown in its folder, never run. A
// missing file shows the file-does-not-exist sheet over the main window. The
// hand-over follows once the desktop's database of applications was asked,
// off the main thread: a file no application opens gets a sheet saying so
// that offers to show it in its folder, a folder no file manager shows a
// notice. Every
// non-empty path first reports the usage event "BeforeDeleter"/"ViewFormat"
// with the path's extension.
void openFilePath(const QByteArray& path);
void openFilePath(const QString& path);
// The same for a path held as the system's bytes (names that are not valid
// text open too), without the usage event.
void openFileAtPath(const QByteArray& path);

// --- Window size --------------------------------------------------------------

// Gives a top-level window `size` (no more than its screen's available area
// has room for), or the least its content takes where that is more, about
// the centre of `before` (its frame as it was: title bar and borders
// included), and keeps it inside its screen's available area (its
// top left corner shown where it cannot fit). The frame moves by half the
// change of its size, rounded toward zero, so a trip there and back ends
// where it began. Pending layout requests run first, so a content just
// switched counts with its own minimum. A window in full screen or
// maximised is left as it is.
void placeWindow(QWidget* window, QSize size, const QRect& before);

// Turns the main window's full-screen toggle on or off; may be called from
// any thread (the change happens on the main thread).
void setMainWindowFullScreenButtonEnable(QWidget* window, bool enable);

// --- Choosers ----------------------------------------------------------------

// What a file dialog was accepted with, as the system's bytes. The dialog
// hands out decoded names, where a name that is not UTF-8 comes back with
// replacement characters: such a name is looked up on disk again.
QByteArrayList chosenPaths(const QFileDialog* dialog);

// --- Cells from their layouts ----------------------------------------------

// Cell classes register how they are made from their layout under the name
// of the layout: the class name, or "Remove" + the class name for the
// removal screen's variant.
void registerCellNib(const QString& nibName, std::function<QWidget*()> factory);
QWidget* instantiateCellNib(const QString& nibName);
// The layout name of a class: its name without namespaces, with "Remove" in
// front for the removal variant.
QString cellNibName(const QMetaObject& meta, bool remove);

template <typename Cell>
void registerCellNib(bool remove = false)
{
    registerCellNib(cellNibName(Cell::staticMetaObject, remove), [] { return new Cell(); });
}

// A new cell of the class from its layout; null when the layout is not known
// or does not make an instance of the class.
template <typename Cell>
Cell* createFromNib(bool remove = false)
{
    QWidget* made = instantiateCellNib(cellNibName(Cell::staticMetaObject, remove));
    auto* cell = qobject_cast<Cell*>(made);
    if (!cell) {
        delete made;
    }
    return cell;
}

// --- Highlighted texts -----------------------------------------------------

struct AttributedRun {
    QString text;
    QFont font;
    QColor color;
};

// A text in runs of font and colour.
class AttributedString {
public:
    QList<AttributedRun> runs;

    QString string() const;
    // Rich text for labels.
    QString toHtml() const;
    void append(const QString& text, const QFont& font, const QColor& color);
};

// A range of a text in UTF-16 units.
struct TextRange {
    int location = 0;
    int length = 0;
};

// Every occurrence of `highLight` in `text` in the highlight font and colour,
// the rest in the plain ones.
AttributedString highLightText(const QString& text, const QFont& font, const QColor& color, const QString& highLight,
                               const QFont& hightLightFont, const QColor& highLightColor);
// The range of `text` in the highlight font and colour (clipped to the text).
AttributedString highLightText(const QString& text, const QFont& font, const QColor& color,
                               const TextRange& highLightRange, const QFont& hightLightFont,
                               const QColor& highLightColor);

// --- Fonts -----------------------------------------------------------------

// The digits' font "Shuzi" at `size` (logical pixels), or the system font of
// that size where it is not installed (it is not shipped).
QFont shuziFont(double size);
// The system font at `size` logical pixels; its usual size for 0 or less.
QFont systemFont(double size);

// --- Debug print -----------------------------------------------------------

// The local time, the type of `obj`, the function and the line followed by
// "：", then a newline and the value; written quoted and escaped, on one line,
// to standard output.
void printKPL(const QVariant& value, const QObject* obj, int line, const char* function);
void printKPL(const QVariant& value, const char* typeName, int line, const char* function);
// The line printKPL writes (without the final newline).
QString printKPLText(const QVariant& value, const QString& typeName, int line, const char* function);

#define PRINTKPL(value) ::printKPL((value), this, __LINE__, __func__)

// --- View controllers ------------------------------------------------------

// Base of the screens: the hooks the main window forwards. Screens override
// them; callers holding a plain widget use the free functions below.
class ViewController : public QWidget {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);

    // Asked before the main window closes.
    virtual bool isShouldCloseWindow();
    virtual void windowDidEnterFullScreen();
    virtual void windowDidExitFullScreen();

    // A screen made from its own layout.
    template <typename T>
    static T* initUseNibName()
    {
        return new T();
    }
};

// True for anything that is not a ViewController.
bool isShouldCloseWindow(QWidget* controller);
void windowDidEnterFullScreen(QWidget* controller);
void windowDidExitFullScreen(QWidget* controller);
