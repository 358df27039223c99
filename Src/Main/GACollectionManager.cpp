#include "GACollectionManager.h"

#include "Utilities.h"

#include "Foundation/Dispatch.h"
#include "Foundation/UserDefaults.h"
#include "GA/QVDataAnalysis.h"
#include "Manager/ScanImagesManager.h"
#include "QVBaseLib/Helper.h"

#include <QDate>

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

namespace {
const QString kDateFormat = QStringLiteral("yyyy/MM/dd");
}

GACollectionManager& GACollectionManager::default_()
{
    static GACollectionManager manager;
    return manager;
}

int64_t GACollectionManager::daysSinceAndStoreToday(const QString& key)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QDate today = QDate::currentDate();
    int64_t days = 0;
    const QVariant stored = defaults.objectForKey(key);
    if (stored.metaType().id() == QMetaType::QString) {
        const QDate then = QDate::fromString(stored.toString(), kDateFormat);
        // A text that does not parse counts as now.
        days = then.isValid() ? then.daysTo(today) : 0;
    }
    defaults.setObject(today.toString(kDateFormat), key);
    return days;
}

void GACollectionManager::intervals(const QString& key, const QString& action)
{
    asyncGALog(QStringLiteral("Process"), action, QString::number(daysSinceAndStoreToday(key)));
}

void GACollectionManager::collectionFileIntervalsGA()
{
    intervals(QStringLiteral("FileIntervals"), QStringLiteral("FileIntervals"));
}

void GACollectionManager::collectionLargeIntervalsGA()
{
    // The action's leading blank is part of the event as reported.
    intervals(QStringLiteral("LargeIntervals"), QStringLiteral(" LargeFileIntervals"));
}

void GACollectionManager::collectionImageIntervalsGA()
{
    intervals(QStringLiteral("ImageIntervals"), QStringLiteral("ImageIntervals"));
}

void GACollectionManager::collctionImageSelectedGA()
{
    const QString label = QStringLiteral("%1_%2").arg(clickSelectViewCount_).arg(isClickAllView_ ? 1 : 2);
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("ImageSelected"), label);
}

void GACollectionManager::collectionZoomGA()
{
    if (sliderValue_ >= 1 && sliderValue_ <= 7) {
        asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("zoom"), QString::number(sliderValue_));
    }
}

void GACollectionManager::collctionGSelectResult(const ScanImagesGroupList& imageArray)
{
    int64_t all = 0;
    int64_t allButOne = 0;
    int64_t some = 0;
    int64_t none = 0;
    for (const ScanImagesGroupItemPtr& group : imageArray) {
        if (!group) {
            continue;
        }
        const auto& items = group->dupImageItems();
        const auto selected = std::count_if(items.begin(), items.end(),
                                            [](const ScanImagesItemPtr& item) { return item && item->isSelect(); });
        const auto count = items.size();
        // The first rule that matches counts the group: a group of one
        // unselected image is "all but one", not "none".
        if (selected == count) {
            ++all;
        } else if (selected == count - 1) {
            ++allButOne;
        } else if (selected == 0) {
            ++none;
        } else {
            ++some;
        }
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("GSelectresult"),
               QStringLiteral("%1_%2_%3_%4").arg(all).arg(allButOne).arg(some).arg(none));
}

void GACollectionManager::collectionResultGA(const ScanImagesGroupList& imageArray)
{
    collectionResultGA(imageArray, ScanImagesManager::shared());
}

void GACollectionManager::collectionResultGA(const ScanImagesGroupList& imageArray, const ScanImagesManager& engine)
{
    DispatchQueue::global().async([groups = engine.snapshot(imageArray)] { sendResultEvents(groups); });
}

void GACollectionManager::sendResultEvents(const ScanImagesGroupList& imageArray)
{
    std::set<QString> extensions;
    std::set<QString> dimensions;
    int64_t unsupportedImages = 0;
    int64_t unsupportedGroups = 0;
    for (const ScanImagesGroupItemPtr& group : imageArray) {
        if (!group) {
            continue;
        }
        bool marked = false;
        // Read only: the snapshot's lists still share their data with the
        // screen's, and a detaching loop here would copy it under the main
        // thread's own detach.
        for (const ScanImagesItemPtr& item : std::as_const(group->dupImageItems())) {
            if (!item) {
                continue;
            }
            extensions.insert(item->pathExtension());
            dimensions.insert(item->dimension().value_or(QString()));
            if (item->pathExtension().toLower() == QLatin1String("ras")) {
                ++unsupportedImages;
                marked = true;
            }
        }
        unsupportedGroups += marked ? 1 : 0;
    }

    auto send = [](const QString& action, const QString& label) {
        if (Helper::isConnectNetwork()) {
            std::printf("RYAsyncGALog 发送埋点\n");
            std::fflush(stdout);
            RYAsyncGALog(QStringLiteral("Result"), action, label);
        }
    };
    int64_t position = 0;
    for (const QString& extension : extensions) {
        if (++position > 10) {
            break;
        }
        send(QStringLiteral("FormatSN"), QStringLiteral("%1_%2").arg(extension).arg(position));
    }
    position = 0;
    for (const QString& dimension : dimensions) {
        if (dimension.isEmpty()) {
            continue;
        }
        if (++position > 10) {
            break;
        }
        send(QStringLiteral("ImageResolution"), QStringLiteral("%1_%2").arg(dimension).arg(position));
    }
    asyncGALog(QStringLiteral("Result"), QStringLiteral("unsupport"),
               QStringLiteral("%1_%2").arg(unsupportedGroups).arg(unsupportedImages));
}
