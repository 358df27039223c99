#include "RYTImage.h"

#include "Foundation/Bundle.h"

#include <QFileInfo>

namespace RYTImage {

QIcon named(const QString& name)
{
    if (name.isEmpty()) {
        return {};
    }
    const QString resources = Bundle::main().resourcePath();
    if (resources.isEmpty()) {
        return {};
    }
    const QString base = resources + QStringLiteral("/Images/") + name;
    if (QFileInfo::exists(base + QStringLiteral(".svg"))) {
        return QIcon(base + QStringLiteral(".svg"));
    }
    QIcon icon;
    if (QFileInfo::exists(base + QStringLiteral(".png"))) {
        icon.addFile(base + QStringLiteral(".png"));
    }
    if (QFileInfo::exists(base + QStringLiteral("@2x.png"))) {
        icon.addFile(base + QStringLiteral("@2x.png"));
    }
    return icon;
}

}  // namespace RYTImage
