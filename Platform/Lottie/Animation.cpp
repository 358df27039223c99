#include "Animation.h"

#include "LRUAnimationCache.h"

#include <rlottie.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtGlobal>

#include <cmath>
#include <mutex>
#include <string>
#include <string_view>

#include <dlfcn.h>
#include <link.h>

namespace Lottie {

namespace {

// rlottie decodes the images of an animation with a loader it opens at run
// time, and closes it again from a destructor as the program ends, while
// its worker threads, still running then, hold thread-local storage of it.
// Anything that walks those threads' storage after that (the leak check at
// exit) meets a module that is gone. Opened here first, never to be closed
// (RTLD_NODELETE), the loader stays for the program's life; rlottie's own
// opening and closing then only count.
void keepImageLoaderLoaded()
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::string loader;
        dl_iterate_phdr(
            [](dl_phdr_info* info, size_t, void* found) {
                const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
                if (name.ends_with("/rlottie/image-loader.so")) {
                    *static_cast<std::string*>(found) = std::string(name);
                    return 1;
                }
                return 0;
            },
            &loader);
        if (loader.empty()) {
            // Not open yet: it lies in rlottie's own folder.
            Dl_info rlottie{};
            if (dladdr(reinterpret_cast<void*>(&rlottie::configureModelCacheSize), &rlottie) && rlottie.dli_fname) {
                const std::string library = rlottie.dli_fname;
                loader = library.substr(0, library.rfind('/') + 1) + "rlottie/image-loader.so";
            }
        }
        // A build of rlottie without the loader has nothing to keep.
        if (!loader.empty()) {
            dlopen(loader.c_str(), RTLD_NOW | RTLD_NODELETE);
        }
    });
}

// Larger files are not animations of ours; refuse them rather than parse them.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

QString pngDataUrl(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

// Stands in for an image nobody supplied, so rlottie never goes to the disk
// for it and the asset simply shows nothing.
const QString& emptyImageUrl()
{
    static const QString url = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return pngDataUrl(image);
    }();
    return url;
}

bool isEmbedded(const QJsonObject& asset)
{
    return asset.value(QStringLiteral("e")).toInt() == 1
           || asset.value(QStringLiteral("p")).toString().startsWith(QLatin1String("data:"));
}

bool isImageAsset(const QJsonObject& asset)
{
    return asset.contains(QStringLiteral("p")) && !asset.contains(QStringLiteral("layers"));
}

ImageAsset imageAsset(const QJsonObject& asset)
{
    return ImageAsset{asset.value(QStringLiteral("id")).toString(), asset.value(QStringLiteral("p")).toString(),
                      asset.value(QStringLiteral("u")).toString(), asset.value(QStringLiteral("w")).toInt(),
                      asset.value(QStringLiteral("h")).toInt()};
}

// A small scanner over JSON text that Qt has already found valid: enough to
// find where each element of the top-level "assets" array lies.
qsizetype skipSpace(const QByteArray& s, qsizetype i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t')) {
        ++i;
    }
    return i;
}

qsizetype skipString(const QByteArray& s, qsizetype i)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '"') {
            return i + 1;
        }
    }
    return s.size();
}

qsizetype skipValue(const QByteArray& s, qsizetype i)
{
    if (i >= s.size()) {
        return s.size();
    }
    if (s[i] == '"') {
        return skipString(s, i);
    }
    if (s[i] == '{' || s[i] == '[') {
        int depth = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == '"') {
                i = skipString(s, i);
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (--depth == 0) {
                    return i + 1;
                }
            }
            ++i;
        }
        return s.size();
    }
    while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']' && s[i] != ' ' && s[i] != '\n'
           && s[i] != '\r' && s[i] != '\t') {
        ++i;
    }
    return i;
}

}  // namespace

QList<Animation::JsonSpan> Animation::assetSpans(const QByteArray& s)
{
    QList<JsonSpan> spans;
    qsizetype i = skipSpace(s, 0);
    if (i >= s.size() || s[i] != '{') {
        return spans;
    }
    ++i;
    while (true) {
        i = skipSpace(s, i);
        if (i >= s.size() || s[i] != '"') {
            return spans;
        }
        const qsizetype keyEnd = skipString(s, i);
        const QByteArray key = s.mid(i + 1, keyEnd - i - 2);
        i = skipSpace(s, keyEnd);
        if (i >= s.size() || s[i] != ':') {
            return spans;
        }
        i = skipSpace(s, i + 1);
        const qsizetype valueEnd = skipValue(s, i);
        if (key == "assets" && s[i] == '[') {
            qsizetype j = i + 1;
            while (true) {
                j = skipSpace(s, j);
                if (j >= valueEnd - 1 || s[j] == ']') {
                    break;
                }
                const qsizetype end = skipValue(s, j);
                spans.append(JsonSpan{j, end});
                j = skipSpace(s, end);
                if (j < s.size() && s[j] == ',') {
                    ++j;
                }
            }
            return spans;
        }
        i = skipSpace(s, valueEnd);
        if (i < s.size() && s[i] == ',') {
            ++i;
        }
    }
}

std::shared_ptr<const Animation> Animation::filepath(const QString& path, LRUAnimationCache* animationCache)
{
    if (path.isEmpty()) {
        return nullptr;
    }
    const QString key = QFileInfo(path).absoluteFilePath();
    if (animationCache) {
        if (auto cached = animationCache->animation(key)) {
            return cached;
        }
    }
    const QFileInfo info(key);
    if (!info.isFile() || info.size() > kMaxFileSize) {
        return nullptr;
    }
    QFile file(key);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    const QByteArray json = file.readAll();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        qWarning("Lottie: %s is not an animation", qPrintable(key));
        return nullptr;
    }

    std::shared_ptr<Animation> animation(new Animation);
    animation->path_ = key;
    animation->directory_ = info.absolutePath();
    animation->json_ = json;
    const QJsonObject root = document.object();
    animation->framerate_ = root.value(QStringLiteral("fr")).toDouble();
    animation->startFrame_ = root.value(QStringLiteral("ip")).toDouble();
    animation->endFrame_ = root.value(QStringLiteral("op")).toDouble();
    animation->size_ = QSize(root.value(QStringLiteral("w")).toInt(), root.value(QStringLiteral("h")).toInt());
    if (!(animation->framerate_ > 0) || !(animation->endFrame_ > animation->startFrame_) || animation->size_.isEmpty()
        || !root.value(QStringLiteral("layers")).isArray()) {
        qWarning("Lottie: %s is not an animation", qPrintable(key));
        return nullptr;
    }
    for (const QJsonValue& value : root.value(QStringLiteral("assets")).toArray()) {
        const QJsonObject asset = value.toObject();
        if (!isImageAsset(asset) || isEmbedded(asset)) {
            continue;
        }
        animation->imageAssets_.append(imageAsset(asset));
    }
    // A file rlottie cannot load is no animation either; finding out now
    // also prepares the renderer that views without a provider share.
    if (!animation->makeRenderer(nullptr)) {
        qWarning("Lottie: %s cannot be rendered", qPrintable(key));
        return nullptr;
    }
    if (animationCache) {
        animationCache->setAnimation(animation, key);
    }
    return animation;
}

QImage Animation::folderImage(const ImageAsset& asset) const
{
    const QString root = directory_ + QLatin1Char('/');
    const QString file = QDir::cleanPath(root + asset.directory + QLatin1Char('/') + asset.name);
    if (!file.startsWith(root) || !QFileInfo(file).isFile()) {
        return {};
    }
    QImageReader reader(file);
    return reader.read();
}

QByteArray Animation::embeddedJson(AnimationImageProvider* provider) const
{
    // rlottie reads its JSON in one pass and needs some keys before others
    // (a shape's "ty" first), so the file's own text is kept and only the
    // image assets are rewritten in place, from the last one back.
    QByteArray json = json_;
    const QList<JsonSpan> spans = assetSpans(json_);
    for (qsizetype i = spans.size() - 1; i >= 0; --i) {
        const JsonSpan& span = spans.at(i);
        const QJsonObject asset = QJsonDocument::fromJson(json_.mid(span.start, span.end - span.start)).object();
        if (!isImageAsset(asset) || isEmbedded(asset)) {
            continue;
        }
        const ImageAsset wanted = imageAsset(asset);
        const QImage image = provider ? provider->imageForAsset(wanted) : folderImage(wanted);
        QJsonObject replaced;
        replaced.insert(QStringLiteral("id"), wanted.id);
        replaced.insert(QStringLiteral("w"), wanted.width);
        replaced.insert(QStringLiteral("h"), wanted.height);
        replaced.insert(QStringLiteral("u"), QString());
        replaced.insert(QStringLiteral("p"), image.isNull() ? emptyImageUrl() : pngDataUrl(image));
        replaced.insert(QStringLiteral("e"), 1);
        json.replace(span.start, span.end - span.start, QJsonDocument(replaced).toJson(QJsonDocument::Compact));
    }
    return json;
}

std::shared_ptr<AnimationRenderer> Animation::makeRenderer(AnimationImageProvider* provider) const
{
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!provider) {
        lock.lock();
        if (folderRenderer_) {
            return folderRenderer_;
        }
    }
    const QByteArray json = embeddedJson(provider);
    keepImageLoaderLoaded();
    // rlottie's own model cache stays out of it: the cache of parsed files is ours.
    std::unique_ptr<rlottie::Animation> loaded =
        rlottie::Animation::loadFromData(json.toStdString(), path_.toStdString(), std::string(), false);
    if (!loaded || loaded->totalFrame() == 0) {
        return nullptr;
    }
    std::shared_ptr<AnimationRenderer> renderer(new AnimationRenderer(std::move(loaded)));
    if (!provider) {
        folderRenderer_ = renderer;
    }
    return renderer;
}

AnimationRenderer::AnimationRenderer(std::unique_ptr<rlottie::Animation> animation)
    : animation_(std::move(animation))
    , totalFrame_(animation_->totalFrame())
{
}

AnimationRenderer::~AnimationRenderer() = default;

size_t AnimationRenderer::totalFrame() const
{
    return totalFrame_;
}

size_t AnimationRenderer::frameAtProgress(double progress) const
{
    if (!(progress > 0)) {
        return 0;
    }
    return animation_->frameAtPos(qMin(progress, 1.0));
}

QImage AnimationRenderer::render(size_t frame, QSize pixelSize) const
{
    if (pixelSize.isEmpty()) {
        return {};
    }
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    renderInto(frame, image);
    return image;
}

void AnimationRenderer::renderInto(size_t frame, QImage& image) const
{
    if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied) {
        return;
    }
    image.fill(Qt::transparent);
    rlottie::Surface surface(reinterpret_cast<uint32_t*>(image.bits()), static_cast<size_t>(image.width()),
                             static_cast<size_t>(image.height()), static_cast<size_t>(image.bytesPerLine()));
    animation_->renderSync(qMin(frame, totalFrame_ > 0 ? totalFrame_ - 1 : 0), surface, true);
}

}  // namespace Lottie
