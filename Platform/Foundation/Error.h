#pragma once

#include <QString>
#include <QVariantMap>

// A failure as a value: where it came from (domain and code) and what to tell
// the user (localised description and failure reason).
struct Error {
    static constexpr const char* descriptionKey = "NSLocalizedDescription";
    static constexpr const char* failureReasonKey = "NSLocalizedFailureReason";

    QString domain;
    int code = 0;
    QVariantMap userInfo;

    static Error make(const QString& domain, int code, const QString& description,
                      const QString& failureReason = {});

    QString localizedDescription() const;
    QString localizedFailureReason() const;
    bool operator==(const Error& other) const = default;
};
