#include "ProgramRun.h"
#include "support/SmallDisk.h"
#include "support/ZipReader.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ze6::test {
namespace {

constexpr const char* kArchiveFailure = "ERROR: modDAZadaro, ArchiveApplication, Runtime error occured: ";

// The target "fills up" at this many bytes per file: SIGXFSZ is ignored, so
// a write beyond it fails with EFBIG as on a full disk.
constexpr rlim_t kFileSizeLimit = 1 << 20;

void LimitFileSize()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kFileSizeLimit, kFileSizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

class FaultTest : public testing::Test {
protected:
    TempFolder temp;
    std::string logPath = temp / "state/ZE6Vivevu.log";
    ProgramRun program{temp, logPath};

    std::string Job(const std::string& source, const std::string& target, const std::string& options = "") const
    {
        return "\"" + (temp / source) + "\" \"" + (temp / target) + "\" " + options;
    }

    // Starts the program and returns once it has begun writing an archive
    // whose hidden temporary starts with `prefix` in `folder`.
    bool StartAndWaitForTemporary(QProcess& process, const Names& arguments, const std::string& folder,
                                  const std::string& prefix)
    {
        program.Start(process, arguments);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline && process.state() != QProcess::NotRunning) {
            for (const auto& name : FolderNames(folder)) {
                if (StartsWith(name, prefix) && name.size() > 5 && name.substr(name.size() - 5) == ".part")
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void ExpectFullTargetLosesNothing(const ChildSetup& setup);
};

void SetAge(const std::string& path, std::chrono::seconds age)
{
    const auto when = std::filesystem::file_time_type::clock::now() - age;
    std::filesystem::last_write_time(path, when);
}

// Three of four data files do not fit into what is left of the target: each
// is reported as "Disk full", none leaves a file behind or prunes its series.
void FaultTest::ExpectFullTargetLosesNothing(const ChildSetup& setup)
{
    for (const char* name : {"A", "B", "C"})
        temp.Write(std::string("data/") + name + ".RZT", RandomBytes(3 * kFileSizeLimit / 2, name[0]));
    temp.Write("data/small.RZT", "fits");
    const std::string older = temp.Write("out/A_2020-01-01-00-00-00.RZZ", RandomBytes(1000, 1));
    const std::string old = temp.Write("out/A_2020-01-02-00-00-00.RZZ", RandomBytes(1000, 2));
    const std::string job = temp.Write("jobs.rzb", Job("data/*.RZT", "out", "KEEPLAST:1") + "\r\n");

    const Result result = program.Run({job}, setup);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out + result.err, "");
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 3u) << ReadFile(logPath);
    for (const auto& entry : logged)
        EXPECT_TRUE(StartsWith(entry, std::string(kArchiveFailure) + "61 - Disk full")) << entry;
    const Names out = FolderNames(temp / "out");
    ASSERT_EQ(out.size(), 3u) << testing::PrintToString(out);
    EXPECT_EQ(out[0], "A_2020-01-01-00-00-00.RZZ");
    EXPECT_EQ(out[1], "A_2020-01-02-00-00-00.RZZ");
    EXPECT_TRUE(StartsWith(out[2], "small_")) << out[2];
    EXPECT_EQ(ReadFile(older), RandomBytes(1000, 1));
    EXPECT_EQ(ReadFile(old), RandomBytes(1000, 2));
}

TEST_F(FaultTest, ATargetBeyondTheFileSizeLimitLosesNothingAndEveryDataFileIsStillTried)
{
    ExpectFullTargetLosesNothing(LimitFileSize);
}

TEST_F(FaultTest, AFullDiskLosesNothingAndEveryDataFileIsStillTried)
{
    const SmallDisk disk(temp / "out", kFileSizeLimit);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    ExpectFullTargetLosesNothing({});
}

TEST_F(FaultTest, AKilledRunLeavesOnlyAHiddenTemporaryThatTheNextRunOfItsSeriesRemoves)
{
    temp.Write("data/BIG.RZT", RandomBytes(96 << 20, 7));
    const std::string out = temp.MakeFolder("out");
    temp.Write("out/BIG_2020-01-01-00-00-00.RZZ", "older");
    QProcess process;
    ASSERT_TRUE(StartAndWaitForTemporary(process, {temp / "data/BIG.RZT", out, "KEEPLAST:1"}, out, ".BIG_"));
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished();

    Names names = FolderNames(out);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], ".BIG_" + names[0].substr(5));  // hidden, sorts first
    EXPECT_EQ(names[1], "BIG_2020-01-01-00-00-00.RZZ"); // nothing new under an archive name, nothing pruned
    const std::string killed = out + names[0];

    // Beside it: a temporary of another series, one a live writer still holds,
    // and one made a moment ago whose writer may not hold its lock yet.
    const std::string other = temp.Write("out/.BIG_X_2020-01-01-00-00-00.RZZ.abcdefghij.part");
    const std::string held = temp.Write("out/.BIG_2020-01-01-00-00-01.RZZ.0123456789.part");
    const std::string young = temp.Write("out/.big_2020-01-01-00-00-02.rzz.klmnopqrst.part");
    for (const auto& path : {killed, other, held})
        SetAge(path, std::chrono::hours(2));
    const int lock = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);

    temp.Write("data/BIG.RZT", "small now");
    const Result result = program.Run({temp / "data/BIG.RZT", out, "KEEPLAST:1"});
    ::close(lock);
    EXPECT_EQ(result.status, 0) << ReadFile(logPath);
    EXPECT_FALSE(Exists(killed));
    names = FolderNames(out);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], ".BIG_2020-01-01-00-00-01.RZZ.0123456789.part");
    EXPECT_EQ(names[1], ".BIG_X_2020-01-01-00-00-00.RZZ.abcdefghij.part");
    EXPECT_EQ(names[2], ".big_2020-01-01-00-00-02.rzz.klmnopqrst.part");
    EXPECT_TRUE(StartsWith(names[3], "BIG_2")) << names[3]; // the held temporaries were not counted by KEEPLAST:1
    const auto entries = ReadZip(out + names[3]);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].content, "small now");
}

TEST_F(FaultTest, ADataFileThatChangesWhileItIsReadIsNotKept)
{
    const std::string grow = temp.Write("data/GROW.RZT", RandomBytes(64 << 20, 3));
    const std::string old = temp.Write("out/GROW_2020-01-01-00-00-00.RZZ", "older");
    std::atomic<bool> running{true};
    std::thread writer([&] {
        // Rewritten in place: the length stays, only the content and its time change.
        std::fstream file(grow, std::ios::binary | std::ios::in | std::ios::out);
        while (running) {
            file.seekp(0);
            file << 'x' << std::flush;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const Result result = program.Run({temp / "data/GROW.RZT", temp / "out", "KEEPLAST:1"});
    running = false;
    writer.join();
    EXPECT_EQ(result.status, 1);
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(StartsWith(logged[0], kArchiveFailure)) << logged[0];
    EXPECT_NE(logged[0].find("changed"), std::string::npos) << logged[0];
    EXPECT_EQ(FolderNames(temp / "out"), Names{"GROW_2020-01-01-00-00-00.RZZ"});
    EXPECT_EQ(ReadFile(old), "older");
}

TEST_F(FaultTest, ADataFileThatVanishesAfterListingIsLoggedAndTheRestRuns)
{
    for (const char* name : {"A", "B", "C"})
        temp.Write(std::string("data/") + name + ".RZT", RandomBytes(32 << 20, name[0]));
    const std::string out = temp.MakeFolder("out");
    QProcess process;
    // Names are archived in the order the folder lists them: once the first
    // archive is under way, one of the other two goes.
    ASSERT_TRUE(StartAndWaitForTemporary(process, {temp / "data/*.RZT", out}, out, "."));
    const std::string first = FolderNames(out).at(0).substr(1, 1);
    const std::string gone = first == "A" ? "B" : "A";
    std::filesystem::remove(temp / ("data/" + gone + ".RZT"));
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAll().toStdString(), "");
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(StartsWith(logged[0], std::string(kArchiveFailure) + "53 - File not found")) << logged[0];
    const Names names = FolderNames(out);
    ASSERT_EQ(names.size(), 2u);
    for (const auto& name : names)
        EXPECT_NE(name.substr(0, 1), gone);
}

TEST_F(FaultTest, ACompanionThatVanishesWhileTheArchiveIsWrittenLeavesNoArchive)
{
    temp.Write("data/A.RZT", RandomBytes(32 << 20, 6));
    const std::string companion = temp.Write("data/a.rzd", "listed, then gone");
    temp.Write("data2/B.RZT", "b");
    const std::string out = temp.MakeFolder("out");
    temp.Write("out/A_2020-01-01-00-00-00.RZZ", "older");
    const std::string job =
        temp.Write("jobs.rzb", Job("data/A.RZT", "out", "KEEPLAST:1") + "\r\n" + Job("data2/B.RZT", "out") + "\r\n");
    QProcess process;
    // The data file is the first entry: while it is being read, its companion goes.
    ASSERT_TRUE(StartAndWaitForTemporary(process, {job}, out, ".A_"));
    std::filesystem::remove(companion);
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAll().toStdString(), "");
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(StartsWith(logged[0], kArchiveFailure)) << logged[0];
    const Names names = FolderNames(out);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "A_2020-01-01-00-00-00.RZZ");
    EXPECT_TRUE(StartsWith(names[1], "B_")) << names[1];
}

// Root writes through any permission, so the program runs as nobody here.
void BecomeNobody()
{
    ::setgroups(0, nullptr);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(99);
}

TEST_F(FaultTest, AReadOnlyTargetAndATargetThroughAFileAreLoggedAndTheRestRuns)
{
    if (::geteuid() != 0 && ::access("/", W_OK) == 0)
        GTEST_SKIP() << "needs root to run the program as another user, or an unprivileged user";
    namespace fs = std::filesystem;
    fs::permissions(temp.Path(), fs::perms::all, fs::perm_options::add);
    temp.Write("data/A.RZT");
    temp.Write("data/B.RZT");
    temp.Write("blocked", "a file where a folder should be");
    const std::string readOnly = temp.MakeFolder("readonly");
    fs::permissions(readOnly, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    const std::string writable = temp.MakeFolder("writable");
    const std::string state = temp.MakeFolder("state");
    for (const auto& folder : {writable, state})
        fs::permissions(folder, fs::perms::all);
    const std::string job =
        temp.Write("jobs.rzb", Job("data/*.RZT", "readonly") + "\r\n" + Job("data/*.RZT", "blocked/sub") + "\r\n" +
                                   Job("data/A.RZT", "writable") + "\r\n");

    const Result result = program.Run({job}, ::geteuid() == 0 ? ChildSetup(BecomeNobody) : ChildSetup());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out + result.err, "");
    const Names logged = LogEntries(logPath);
    ASSERT_EQ(logged.size(), 4u) << ReadFile(logPath);
    for (const std::size_t i : {0u, 1u})
        EXPECT_TRUE(StartsWith(logged[i], std::string(kArchiveFailure) + "70 - Permission denied")) << logged[i];
    for (const std::size_t i : {2u, 3u})
        EXPECT_TRUE(StartsWith(logged[i], kArchiveFailure)) << logged[i];
    EXPECT_EQ(FolderNames(readOnly), Names{});
    const Names written = FolderNames(writable);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(StartsWith(written[0], "A_"));
}

TEST_F(FaultTest, AnUnwritableLogSendsEveryEntryToStandardErrorAndEveryJobStillRuns)
{
    temp.Write("data/A.RZT");
    temp.Write("blocked", "a file where a folder should be");
    const std::string full = temp / "full.log";
    ASSERT_EQ(::symlink("/dev/full", full.c_str()), 0);
    // A log whose folder cannot exist, and a log on a disk that is full.
    for (const auto& [log, why, out] : {std::tuple(temp / "blocked/ZE6Vivevu.log", "76 - Path not found", "out1"),
                                        std::tuple(full, "61 - Disk full", "out2")}) {
        const std::string job =
            temp.Write("jobs.rzb", Job("data/A.RZT", "blocked/sub") + "\r\n" + Job("data/A.RZT", out) + "\r\n" +
                                       Job("data/missing.RZT", "blocked/sub2") + "\r\n");
        const Result result = ProgramRun(temp, log).Run({job});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        std::istringstream lines(result.err);
        Names entries;
        for (std::string line; std::getline(lines, line);)
            entries.push_back(line);
        ASSERT_EQ(entries.size(), 1u) << result.err; // a missing data file matches nothing: no entry
        EXPECT_TRUE(StartsWith(entries[0], kArchiveFailure)) << entries[0];
        EXPECT_NE(entries[0].find(std::string("[not logged: Runtime error occured: ") + why), std::string::npos)
            << entries[0];
        EXPECT_EQ(FolderNames(temp / out).size(), 1u);
    }
}

} // namespace
} // namespace ze6::test

namespace ze6::test {
namespace {

void RestrictiveUmask()
{
    ::umask(077);
}

TEST_F(FaultTest, ArchivesAndTheLogTakeTheUmaskAndHoldOnlyPlainNames)
{
    temp.Write("data/A.RZT", "a");
    temp.Write("data/a.rzd", "companion");
    temp.Write("data/A.V1", "numbered");
    const Result result = program.Run({temp / "data", temp / "out"}, RestrictiveUmask);
    EXPECT_EQ(result.status, 0);
    const Result failed = program.Run({temp / "data/missing.rzb"}, RestrictiveUmask);
    EXPECT_EQ(failed.status, 1);

    const Names names = FolderNames(temp / "out");
    ASSERT_EQ(names.size(), 1u);
    const std::string archive = temp / ("out/" + names[0]);
    const auto permissions = [](const std::string& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return status.st_mode & 0777;
    };
    EXPECT_EQ(permissions(archive), 0600u);
    EXPECT_EQ(permissions(logPath), 0600u);
    for (const auto& entry : ReadZip(archive)) {
        EXPECT_EQ(entry.name.find('/'), std::string::npos) << entry.name;
        EXPECT_NE(entry.name, "..");
        EXPECT_NE(entry.name.substr(0, 1), ".") << entry.name;
    }
}

} // namespace
} // namespace ze6::test
