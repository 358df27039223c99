#pragma once

#include <QString>
#include <QVariant>

#include "PropertyList.h"

// The main bundle: the information list compiled into the program and the
// resource folder installed beside it (share/twinsweep next to bin/, in the
// build tree and in the install tree alike).
class Bundle {
public:
    static Bundle& main();

    const PlistDict& infoDictionary() const { return info_; }
    QVariant objectForInfoDictionaryKey(const QString& key) const { return info_.value(key); }
    QString bundleIdentifier() const;

    // The resource folder; empty when there is none. TWINSWEEP_RESOURCE_DIR
    // overrides the place next to the binary.
    QString resourcePath() const;
    void setResourcePath(const QString& path) { resourceOverride_ = path; }
    // Full path of a resource, empty when the file does not exist.
    QString pathForResource(const QString& name, const QString& extension = {}) const;

private:
    Bundle();
    PlistDict info_;
    QString resourceOverride_;
};

// Every text shown to the user goes through here; the English text is the key.
QString localized(const char* text);
QString localized(const QString& text);
