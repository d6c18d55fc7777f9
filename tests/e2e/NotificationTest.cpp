#include "platform/state/RunState.h"
#include "support/ProgramRun.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>
#include <QVariantMap>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

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

// An hourly file whose jobs ran a day back (under faketime): the one that
// succeeded is overdue, the one that logged is failed. /CHECK tells of both
// in one notification, and says nothing once both have run cleanly again.
TEST_F(NotificationTest, CheckTellsOnceOfFailedAndOverdueJobsOfAScheduledFile)
{
    const std::string faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    if (!QFileInfo::exists(QString::fromStdString(faketime)))
        GTEST_SKIP() << "faketime is not installed";
    temp.Write("data/PLANT1.RZT");
    const std::string clean = "\"" + (temp / "data/") + "\" \"" + (temp / "backup/") + "\"";
    const std::string failing = "\"" + (temp / "data/") + "\" \"" + temp.Write("blocker") + "/sub/\"";
    const std::string jobs = temp.Write("jobs.rzb", clean + "\r\n" + failing + "\r\n");
    // The systemd back end, as far as listing needs: a manager that answers and the timer /SCHEDULE writes.
    temp.Write("bin/systemctl", "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(::chmod((temp / "bin/systemctl").c_str(), 0755), 0);
    temp.Write("home/config/systemd/user/ze6vivevu-0123.timer",
               "# ZE6Vivevu file: " + jobs + "\n# ZE6Vivevu when: hourly\n[Timer]\nOnCalendar=*-*-* *:00:00\n");
    program.With("PATH", temp / ("bin:" + std::string(std::getenv("PATH"))));

    QDBusConnection connection = QDBusConnection::connectToBus(bus.address, QStringLiteral("receiver"));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &receiver,
                                          QDBusConnection::ExportAllSlots));

    ProgramRun dayBack(program);
    // A sanitized build wants its runtime first among the preloaded libraries;
    // the clock library before it does no harm to what is checked.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    dayBack.With("LD_PRELOAD", faketime)
        .With("FAKETIME", "-1d")
        .With("ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":verify_asan_link_order=0");
    EXPECT_EQ(dayBack.Run({jobs}).status, 1);
    const QDateTime ran = QDateTime::currentDateTime().addDays(-1);
    receiver.received.clear(); // the failed run's own notice

    const Result status = program.Run({"/STATUS", jobs});
    EXPECT_EQ(status.status, 1);
    const std::string time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
    EXPECT_TRUE(std::regex_match(status.out, std::regex("overdue\t" + time + "\t" + time + "\t[^\t]+\t[^\t]+\n" +
                                                        "failed\t" + time + "\t-\t[^\t]+\t[^\t]+\n")))
        << status.out;

    EXPECT_EQ(Run({"/CHECK"}).status, 1);
    ASSERT_EQ(receiver.received.size(), 1);
    const QStringList notice = receiver.received.front().split(u'\n');
    const QDateTime since =
        QDateTime::fromString(notice[1].section(QStringLiteral(" since "), 1), QStringLiteral("yyyy-MM-dd HH:mm"));
    EXPECT_TRUE(notice[1].startsWith(QStringLiteral("2 backup jobs have not succeeded since ")))
        << notice[1].toStdString();
    EXPECT_LE(std::abs(since.secsTo(ran)), 120) << notice[1].toStdString();

    std::filesystem::remove(temp / "blocker");
    EXPECT_EQ(Run({jobs}).status, 0);
    EXPECT_EQ(Run({"/CHECK"}).status, 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("receiver"));
    EXPECT_EQ(receiver.received.size(), 1);
}

} // namespace
} // namespace ze6::test

#include "NotificationTest.moc"
