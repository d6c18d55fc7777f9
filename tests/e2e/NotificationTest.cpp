#include "platform/state/RunState.h"
#include "support/ProgramRun.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QStandardPaths>
#include <QVariantMap>
#include <cstdlib>
#include <gtest/gtest.h>

namespace ze6::test {
namespace {

// The desktop's notification service, as far as a run needs one.
class NotificationReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received; // each as its application, summary and body on three lines

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        received << app + u'\n' + summary + u'\n' + body;
        return static_cast<uint>(received.size());
    }
};

class PrivateBus {
public:
    explicit PrivateBus(const TempFolder& temp)
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                        QStringLiteral("--address=unix:path=") + QString::fromStdString(temp / "bus")});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
    QString address;

private:
    QProcess m_daemon;
};

class NotificationTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(bus.address.isEmpty());
    }

    Result Run(const Names& arguments)
    {
        QProcess process;
        ProgramRun(program).With("DBUS_SESSION_BUS_ADDRESS", bus.address.toStdString()).Start(process, arguments);
        while (!process.waitForFinished(10))
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    PrivateBus bus{temp};
    NotificationReceiver receiver;
};

TEST_F(NotificationTest, AFailedRunNotifiesOnceAndACleanRunNotAtAllAndBothAreRecorded)
{
    temp.Write("data/PLANT1.RZT");
    const std::string clean =
        temp.Write("clean.rzb", "\"" + (temp / "data/") + "\" \"" + (temp / "backup/") + "\"\r\n");
    const std::string missing = temp / "missing.rzb";

    // A bus without a notification service changes nothing about the run.
    EXPECT_EQ(Run({missing}).status, 1);

    QDBusConnection connection = QDBusConnection::connectToBus(bus.address, QStringLiteral("receiver"));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &receiver,
                                          QDBusConnection::ExportAllSlots));

    EXPECT_EQ(Run({missing}).status, 1);
    EXPECT_EQ(Run({clean}).status, 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("receiver"));

    EXPECT_EQ(receiver.received.join(u'|').toStdString(),
              "ZE6Vivevu\nZE6Vivevu backup had problems\n" + missing +
                  "\n1 entry was logged. The first:\nERROR: modDAZadaro, Main, Runtime error occured: 0 - File '" +
                  missing + "' does not exist or is inaccessible.\nLog: " + logPath);

    setenv("XDG_STATE_HOME", (temp / "state/xdg").c_str(), 1);
    const auto failed = ReadRunRecord(missing);
    const auto cleanRun = ReadRunRecord(clean);
    unsetenv("XDG_STATE_HOME");
    ASSERT_TRUE(failed && cleanRun);
    EXPECT_EQ(failed->entries, 1);
    EXPECT_EQ(cleanRun->entries, 0);
    EXPECT_EQ(DescribeRunRecord(cleanRun).substr(19), ": clean");
}

} // namespace
} // namespace ze6::test

#include "NotificationTest.moc"
