#include "RYTDarkMode.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPalette>

#include <atomic>
#include <mutex>

static void initColorResources()
{
    Q_INIT_RESOURCE(QVLibraryColors);
}

namespace {

struct ColorPair {
    QColor light;
    QColor dark;
};

const QHash<QString, ColorPair>& colorTable()
{
    static QHash<QString, ColorPair> table;
    static std::once_flag once;
    std::call_once(once, [] {
        initColorResources();
        QFile file(QStringLiteral(":/Twinsweep/Colors/Colors.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            return;
        }
        const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        for (auto it = root.begin(); it != root.end(); ++it) {
            const QJsonObject entry = it.value().toObject();
            table.insert(it.key(), ColorPair{QColor(entry.value(QStringLiteral("light")).toString()),
                                             QColor(entry.value(QStringLiteral("dark")).toString())});
        }
    });
    return table;
}

std::atomic<int> forced{-1};
thread_local int lightScopes = 0;

}  // namespace

RYTDarkMode::LightAppearanceScope::LightAppearanceScope()
{
    ++lightScopes;
}

RYTDarkMode::LightAppearanceScope::~LightAppearanceScope()
{
    --lightScopes;
}

bool RYTDarkMode::isDarkMode()
{
    if (lightScopes > 0) {
        return false;
    }
    const int f = forced.load();
    if (f >= 0) {
        return f == 1;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return false;
    }
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

void RYTDarkMode::setForcedAppearance(int dark)
{
    forced.store(dark);
}

QColor RYTDarkMode::colorNamed(const QString& name)
{
    return colorNamed(name, isDarkMode());
}

QColor RYTDarkMode::colorNamed(const QString& name, bool dark)
{
    const auto& table = colorTable();
    const auto it = table.constFind(name);
    if (it == table.constEnd()) {
        return {};
    }
    return dark ? it->dark : it->light;
}
