#pragma once

#include <mutex>

#include <QDateTime>
#include <QString>

#include "GAEvent.h"
#include "QVDASerializeObject.h"

// The analytics library's front object in the program and, archived, the
// configuration the helper program reports with.
//
// The program fills the identity fields once at launch, calls
// gaLogManagerDidUpdate() to hand them to the helper, and sets the
// termination status ("running" at launch, "exited" at every normal end).
// The first use of shared() records the start date and the version list in
// <application support>/.config.plist, takes the shared lock that tells the
// helper the program runs, installs the SIGTERM handling and starts the link
// server one second later.
//
// Every field is guarded by the object's own lock, so the accessors may be
// used from any thread.
class RYGALogManager : public QVDASerializeObject {
public:
    // Every field zero, false or absent: what a decoded copy starts from.
    RYGALogManager();
    RYGALogManager(const RYGALogManager& other);
    RYGALogManager& operator=(const RYGALogManager& other);

    // The one instance of the process, created and set up on first use.
    static RYGALogManager& shared();

    // Version bookkeeping (first launch, first update) and isGA4 = true.
    void init();
    // Records `now` as the start date and decides firstStartOnTheDay.
    void setupDefault(const QDateTime& now = QDateTime::currentDateTime());
    // Whether the two dates fall on the same local day (the offset in force
    // at `current` applies to both).
    static bool isSameDay(const QDateTime& date, const QDateTime& current);

    // Keeps the status and writes it under "AppTerminationStatus".
    void setTerminationStatus(const QString& status);
    QString terminationStatus() const;

    // Hands the archived configuration to the helper (frame tag 1).
    void gaLogManagerDidUpdate() const;
    void cancelAllOperation() {}

    // The send operations: each drops the event when the network is not
    // reachable, else hands its archive to the link server (frame tag 2).
    void asyncSendAll(const GAEvent& event) const { send(event); }
    void syncSendAll(const GAEvent& event) const { send(event); }
    void asyncSendGA4(const GAEvent& event) const { send(event); }
    void syncSendGA4(const GAEvent& event) const { send(event); }
    void asyncSendDataAnalysis(const GAEvent& event) const { send(event); }
    void syncSendDataAnalysis(const GAEvent& event) const { send(event); }
    void asyncSendGALog(const GAEvent& event) const { asyncSendAll(event); }
    void syncSendGALog(const GAEvent& event) const { syncSendAll(event); }

    QString className() const override { return QStringLiteral("RYGALogManager"); }
    void codeDataWithCoder(QVDACoder& coder, bool isDecoding) override;
    // The configuration an archive holds; nothing when it is no RYGALogManager archive.
    static std::optional<RYGALogManager> fromArchive(const QByteArray& data);

#define RYGA_TEXT(name, setter)                                                                                  \
    QString name() const                                                                                         \
    {                                                                                                            \
        std::lock_guard lock(mutex_);                                                                            \
        return f_.name;                                                                                          \
    }                                                                                                            \
    void setter(const QString& v)                                                                                \
    {                                                                                                            \
        std::lock_guard lock(mutex_);                                                                            \
        f_.name = v;                                                                                             \
    }
#define RYGA_VALUE(type, name, setter)                                                                           \
    type name() const                                                                                            \
    {                                                                                                            \
        std::lock_guard lock(mutex_);                                                                            \
        return f_.name;                                                                                          \
    }                                                                                                            \
    void setter(type v)                                                                                          \
    {                                                                                                            \
        std::lock_guard lock(mutex_);                                                                            \
        f_.name = v;                                                                                             \
    }
    RYGA_TEXT(pid, setPid)
    RYGA_TEXT(productVersion, setProductVersion)
    RYGA_TEXT(productName, setProductName)
    RYGA_TEXT(email, setEmail)
    RYGA_TEXT(phoneNumber, setPhoneNumber)
    RYGA_TEXT(gaIdentifier, setGaIdentifier)
    RYGA_TEXT(ga4Identifier, setGa4Identifier)
    RYGA_TEXT(gaDimension, setGaDimension)
    RYGA_VALUE(bool, isLogin, setIsLogin)
    RYGA_VALUE(bool, isVip, setIsVip)
    RYGA_VALUE(bool, isGA4, setIsGA4)
    RYGA_TEXT(toolVersion, setToolVersion)
    RYGA_TEXT(toolLang, setToolLang)
    RYGA_VALUE(qint64, kitType, setKitType)
    RYGA_TEXT(strStart, setStrStart)
    RYGA_VALUE(bool, firstlaunch, setFirstlaunch)
    RYGA_VALUE(bool, firstUpdate, setFirstUpdate)
    RYGA_TEXT(crossEndId, setCrossEndId)
    RYGA_VALUE(qint64, sourceType, setSourceType)
    RYGA_VALUE(bool, printLog, setPrintLog)
    RYGA_VALUE(bool, testEnvironment, setTestEnvironment)
    RYGA_VALUE(bool, firstStartOnTheDay, setFirstStartOnTheDay)
    RYGA_VALUE(bool, isStart, setIsStart)
    RYGA_VALUE(bool, isDownloader, setIsDownloader)
#undef RYGA_TEXT
#undef RYGA_VALUE

private:
    void send(const GAEvent& event) const;

    struct Fields {
        QString pid;
        QString productVersion;
        QString productName;
        QString email;
        QString phoneNumber;
        QString gaIdentifier;
        QString ga4Identifier;
        QString gaDimension;
        bool isLogin = false;
        bool isVip = false;
        bool isGA4 = false;
        QString toolVersion;
        QString toolLang;
        qint64 kitType = 0;
        QString strStart;
        bool firstlaunch = false;
        bool firstUpdate = false;
        QString crossEndId;
        qint64 sourceType = 0;
        bool printLog = false;
        bool testEnvironment = false;
        bool firstStartOnTheDay = false;
        bool isStart = false;
        bool isDownloader = false;
        QString terminationStatus;
    };

    mutable std::mutex mutex_;
    Fields f_;
};

// Installs the SIGTERM handling: the handler only wakes a watcher thread,
// which sets the status "exited", flushes and ends the process with status 15.
void setHandler();
