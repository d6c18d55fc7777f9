#include "support/ProgramRun.h"

#include <QFileInfo>

#include <QProcess>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <random>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ze6::test {
namespace {

namespace fs = std::filesystem;

int FreePort()
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(sock);
    return ntohs(address.sin_port);
}

// A server of rclone's own on 127.0.0.1 serving temp/server, WebDAV unless a
// test asks for SFTP, known as the remote "far" (and, with a wrong password,
// "bad") of a private rclone configuration that the program runs under.
class RemoteTargetTest : public ProgramFixture {
protected:
    virtual std::string Kind() const { return "webdav"; }

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
            GTEST_SKIP() << "rclone is not installed";
        config = temp / "rclone.conf";
        std::ofstream(config).close();
        // rclone's own retries would spend minutes against a server that is gone.
        program.With("RCLONE_CONFIG", config)
            .With("XDG_CACHE_HOME", temp / "cache")
            .With("RCLONE_LOW_LEVEL_RETRIES", "2");
        server = temp.MakeFolder("server");
        for (const auto& [remote, pass] : {std::pair{"far", password}, std::pair{"bad", std::string("wrong")}}) {
            const Names where =
                Kind() == "sftp"
                    ? Names{"host=127.0.0.1", "port=" + std::to_string(port), "shell_type=none"}
                    : Names{"url=http://127.0.0.1:" + std::to_string(port), "vendor=other"};
            Names create = {"config", "create", remote, Kind()};
            create.insert(create.end(), where.begin(), where.end());
            create.insert(create.end(), {"user=u", "pass=" + pass, "--obscure"});
            ASSERT_EQ(Tool(create).status, 0);
        }
        StartServer();
    }

    void TearDown() override
    {
        serve.kill();
        serve.waitForFinished();
    }

    void StartServer()
    {
        // The SFTP server keeps its host key in the cache folder.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString(temp / "server-cache"));
        serve.setProcessEnvironment(environment);
        serve.start(QStringLiteral("rclone"),
                    {QStringLiteral("--config"), QString::fromStdString(config), QStringLiteral("serve"),
                     QString::fromStdString(Kind()), QString::fromStdString(server),
                     QStringLiteral("--addr"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--user"),
                     QStringLiteral("u"), QStringLiteral("--pass"), QString::fromStdString(password),
                     QStringLiteral("--dir-cache-time"), QStringLiteral("0s")});
        ASSERT_TRUE(serve.waitForStarted());
        for (int i = 0; i < 100 && Tool({"lsf", "far:"}).status != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    Result Tool(const Names& arguments) const
    {
        Names withConfig = {"--config", config};
        withConfig.insert(withConfig.end(), arguments.begin(), arguments.end());
        return RunTool("rclone", withConfig);
    }

    std::string config;
    std::string server;
    const int port = FreePort();
    const std::string password = "p" + std::to_string(std::random_device{}());
    QProcess serve;
};

// The same guarantees over both kinds of server.
class RemoteServerTest : public RemoteTargetTest, public ::testing::WithParamInterface<std::string> {
protected:
    std::string Kind() const override { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Servers, RemoteServerTest, ::testing::Values("webdav", "sftp"),
                         [](const ::testing::TestParamInfo<std::string>& kind) { return kind.param; });

TEST_P(RemoteServerTest, ArchivesGoUpCompleteAndOnlyTheRemoteSeriesIsPruned)
{
    temp.Write("data/A.RZT", "ledger");
    temp.Write("data/B.RZT", "journal");
    // A local series of the same name is no business of the remote job.
    const std::string local = temp.MakeFolder("local");
    ASSERT_TRUE(Silent(program.Run({temp / "data/A.RZT", local})));
    fs::create_directories(server + "rz");
    const std::string seed = local + FolderNames(local).at(0);
    for (const auto* stamp : {"2020-01-01-00-00-00", "2020-01-02-00-00-00", "2020-01-03-00-00-00"})
        fs::copy_file(seed, server + "rz/A_" + stamp + ".RZZ");

    ASSERT_TRUE(Silent(program.Run({temp / "data/", "rclone:far:rz/", "KEEPLAST:2"})));

    EXPECT_EQ(Stamped(server + "rz"), (Names{"A_2020-01-03-00-00-00.RZZ", "A_<t>.RZZ", "B_<t>.RZZ"}));
    for (const auto& name : FolderNames(server + "rz"))
        EXPECT_EQ(Tool({"cat", "far:rz/" + name}).out, ReadFile(server + "rz/" + name)) << name;
    EXPECT_EQ(FolderNames(local).size(), 1U);
    EXPECT_TRUE(FolderNames(temp / "cache/ZE6Vivevu").empty()) << "staging is emptied";

    // Two runs in the same second: the second finds its name taken on the
    // remote and takes the next second's (both start at the same time here).
    const std::string faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    if (!QFileInfo::exists(QString::fromStdString(faketime)))
        return;
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    ProgramRun sameSecond(program);
    sameSecond.With("LD_PRELOAD", faketime)
        .With("FAKETIME", "@2026-12-07 02:00:00")
        .With("ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":verify_asan_link_order=0");
    for (int run = 0; run < 2; ++run)
        ASSERT_TRUE(Silent(sameSecond.Run({temp / "data/B.RZT", "rclone:far:twice"})));
    EXPECT_EQ(FolderNames(server + "twice"), (Names{"B_2026-12-07-02-00-00.RZZ", "B_2026-12-07-02-00-01.RZZ"}));

    // Two runs at once that both found the name free: whichever comes
    // second may not take the first one's place. Each run that succeeds
    // leaves its own archive, and one that lost the race says so.
    ProgramRun sameMoment(program);
    sameMoment.With("LD_PRELOAD", faketime)
        .With("FAKETIME", "@2026-12-07 03:00:00")
        .With("ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":verify_asan_link_order=0");
    QProcess first, second;
    sameMoment.Start(first, {temp / "data/B.RZT", "rclone:far:race"});
    sameMoment.Start(second, {temp / "data/B.RZT", "rclone:far:race"});
    int succeeded = 0;
    for (QProcess* run : {&first, &second}) {
        ASSERT_TRUE(run->waitForFinished(60000));
        succeeded += run->exitStatus() == QProcess::NormalExit && run->exitCode() == 0;
    }
    EXPECT_EQ(FolderNames(server + "race").size(), static_cast<std::size_t>(succeeded)) << "nothing replaced";
    EXPECT_GE(succeeded, 1);
    if (succeeded == 1) {
        const Names entries = LogEntries(logPath);
        ASSERT_FALSE(entries.empty());
        EXPECT_NE(entries.back().find("exists already"), std::string::npos) << entries.back();
    }
}

TEST_F(RemoteTargetTest, RefusedLoginAndDroppedServerLeaveNoFinalNameAndOneEntryEach)
{
    temp.Write("data/A.RZT", "ledger");
    const Result refused = program.Run({temp / "data/A.RZT", "rclone:bad:rz"});
    EXPECT_EQ(refused.status, 1);
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_NE(entries[0].find("rclone remote \"bad:rz\""), std::string::npos) << entries[0];
    EXPECT_NE(entries[0].find("401"), std::string::npos) << entries[0];

    ASSERT_TRUE(Silent(program.Run({temp / "data/A.RZT", "rclone:far:rz"})));
    const Names before = FolderNames(server + "rz");
    // Too large to go up before the server is stopped under it.
    temp.Write("data/A.RZT", RandomBytes(64 << 20, 7));
    fs::remove(logPath);
    QProcess run;
    program.Start(run, {temp / "data/A.RZT", "rclone:far:rz"});
    ASSERT_TRUE(RunningUntil(run, [&] {
        for (const auto& name : FolderNames(server + "rz")) {
            if (name[0] == '.')
                return true;
        }
        return false;
    }));
    serve.kill();
    serve.waitForFinished();
    ASSERT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 1);
    Names finals;
    for (const auto& name : FolderNames(server + "rz")) {
        if (name[0] != '.')
            finals.push_back(name);
    }
    EXPECT_EQ(finals, before);
    const Names dropped = LogEntries(logPath);
    ASSERT_EQ(dropped.size(), 1U);
    EXPECT_NE(dropped[0].find("rclone remote \"far:rz\""), std::string::npos) << dropped[0];
}

Names Lines(const std::string& text)
{
    Names lines;
    std::istringstream input(text);
    for (std::string line; std::getline(input, line);)
        lines.push_back(line);
    return lines;
}

// Everything a file holds, for every file under `folder`.
std::string AllContent(const std::string& folder)
{
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        all += entry.path().filename().string() + "\n" + (entry.is_regular_file() ? ReadFile(entry.path()) : "");
    return all;
}

TEST_F(RemoteTargetTest, VerifyAndRestoreWorkThroughAnEncryptedRemote)
{
    ASSERT_EQ(Tool({"config", "create", "sec", "crypt", "remote=far:crypt", "password=a long passphrase", "--obscure"})
                  .status,
              0);
    temp.Write("data/A.RZT", "ledger one");
    ASSERT_TRUE(Silent(program.Run({temp / "data/A.RZT", "rclone:sec:rz"})));
    // ZIP keeps its entry names in plain text: on the server they must not be.
    EXPECT_EQ(AllContent(server).find("A.RZT"), std::string::npos);
    EXPECT_EQ(AllContent(server).find("A_"), std::string::npos);
    ASSERT_TRUE(Silent(program.Run({"/VERIFY", "rclone:sec:rz/"})));

    const Names archives = Lines(Tool({"lsf", "sec:rz"}).out);
    ASSERT_EQ(archives.size(), 1U);
    temp.Write("data/A.RZT", "ledger two");
    ASSERT_TRUE(Silent(program.Run({"/RESTORE", "rclone:sec:rz/" + archives[0], temp / "data"})));
    EXPECT_EQ(ReadFile(temp / "data/A.RZT"), "ledger one");
    // What the restore replaced went up as a new generation beside it.
    const Names after = Lines(Tool({"lsf", "sec:rz"}).out);
    ASSERT_EQ(after.size(), 2U);
    const std::string undo = after[0] == archives[0] ? after[1] : after[0];
    ASSERT_TRUE(Silent(program.Run({"/RESTORE", "rclone:sec:rz/" + undo, temp / "data"})));
    EXPECT_EQ(ReadFile(temp / "data/A.RZT"), "ledger two");

    const std::string damaged = "A_2020-01-01-00-00-00.RZZ";
    ASSERT_EQ(Tool({"copyto", temp.Write("junk", "not an archive"), "sec:rz/" + damaged}).status, 0);
    const Result check = program.Run({"/VERIFY", "rclone:sec:rz"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err.rfind("rclone:sec:rz/" + damaged + ": ", 0), 0U) << check.err;
    EXPECT_EQ(Lines(check.err).size(), 1U) << check.err;
    EXPECT_TRUE(FolderNames(temp / "cache/ZE6Vivevu").empty()) << "staging is emptied";
}

// A name that is not UTF-8 cannot be told to rclone as it is: that archive
// is refused by name, and the others of the job go up.
TEST_F(RemoteTargetTest, AnArchiveWhoseNameIsNotUtf8IsRefusedAndTheOthersGoUp)
{
    temp.Write("data/GOOD.RZT", "ledger");
    temp.Write("data/CAF\xc9.RZT", "journal");
    EXPECT_EQ(program.Run({temp / "data/", "rclone:far:rz"}).status, 1);
    const Names entries = LogEntries(logPath);
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_NE(entries[0].find("its name is not UTF-8"), std::string::npos) << entries[0];
    EXPECT_EQ(Stamped(server + "rz"), Names{"GOOD_<t>.RZZ"});
}

TEST_F(RemoteTargetTest, IfChangedComparesWithTheNewestRemoteArchiveAndStillPrunes)
{
    temp.Write("data/A.RZT", "ledger");
    const Names job = {temp / "data/", "rclone:far:rz", "KEEPLAST:2", "IFCHANGED"};
    ASSERT_TRUE(Silent(program.Run(job)));
    const Names first = FolderNames(server + "rz");
    ASSERT_EQ(first.size(), 1U);
    for (const auto* stamp : {"2020-01-01-00-00-00", "2020-01-02-00-00-00"})
        fs::copy_file(server + "rz/" + first[0], server + "rz/A_" + stamp + ".RZZ");

    temp.Write("data/A.RZT", "ledger"); // written again, the same
    ASSERT_TRUE(Silent(program.Run(job)));
    EXPECT_EQ(FolderNames(server + "rz"), (Names{"A_2020-01-02-00-00-00.RZZ", first[0]}));

    temp.Write("data/A.RZT", "ledges");
    // The plan, read from the remote and changing nothing there, is what the run then does.
    Names dryRun = job;
    dryRun.insert(dryRun.begin(), "/DRYRUN");
    const Result plan = program.Run(dryRun);
    EXPECT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(plan.out, "archive\t" + temp / "data/A.RZT" +
                            "\ndelete\trclone:far:rz/A_2020-01-02-00-00-00.RZZ\nkeep\trclone:far:rz/" + first[0] +
                            "\tlast\n");
    EXPECT_EQ(FolderNames(server + "rz"), (Names{"A_2020-01-02-00-00-00.RZZ", first[0]}));
    ASSERT_TRUE(Silent(program.Run(job)));
    const Names after = FolderNames(server + "rz");
    ASSERT_EQ(after.size(), 2U);
    EXPECT_EQ(after[0], first[0]);
}

} // namespace
} // namespace ze6::test
