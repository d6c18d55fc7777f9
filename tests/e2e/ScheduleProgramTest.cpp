#include "support/ProgramRun.h"

#include <QStandardPaths>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <regex>
#include <unistd.h>

namespace ze6::test {
namespace {

// The crontab back end against the real crontab command, for a user made for
// this test alone: the crontab of whoever runs the tests is never touched.
class CrontabScheduleTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        if (::getuid() != 0)
            GTEST_SKIP() << "creating a throwaway user needs root";
        for (const char* tool : {"crontab", "useradd", "userdel"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed (the cron package brings crontab)";
        }
        ASSERT_EQ(RunTool("useradd", {"--no-create-home", "--shell", "/usr/sbin/nologin", user}).status, 0);
        created = true;
        const passwd* entry = ::getpwnam(user.c_str());
        ASSERT_NE(entry, nullptr);
        uid = entry->pw_uid;
        gid = entry->pw_gid;
        for (const auto& item : std::filesystem::recursive_directory_iterator(temp.Path()))
            ASSERT_EQ(::lchown(item.path().c_str(), uid, gid), 0);
        ASSERT_EQ(::chown(temp.Path().c_str(), uid, gid), 0);
    }

    void TearDown() override
    {
        if (!created)
            return;
        RunTool("crontab", {"-r", "-u", user});
        RunTool("userdel", {user});
    }

    Result Run(const Names& arguments) const
    {
        return program.Run(arguments, [this] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    }

    std::string Crontab() const { return RunTool("crontab", {"-l", "-u", user}).out; }

    std::string user = "ze6cron" + std::to_string(::getpid());
    bool created = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// The marked lines name the file in quotes for the shell with every "%" and
// backslash escaped for cron, as cron reads them (held against Debian's cron
// daemon once: it ran such a file), whatever the file's name holds; "link/.."
// is the folder above the link's target, as the kernel reads it.
TEST_F(CrontabScheduleTest, KeepsItsLinesBetweenMarkersAndLeavesEveryOtherLineAsItWas)
{
    const std::string theirs = "MAILTO=\"\"\n# nightly mail\n*/5 * * * * echo '50\\%' >/dev/null\n\n";
    ASSERT_EQ(RunTool("crontab", {"-u", user, "-"}, theirs).status, 0);
    const std::string jobs = temp.Write("my jobs.rzb");
    const std::string other = temp.Write("odd\\%name \\\\ 50%'s.rzb");
    temp.Write("real/sub/keep");
    const std::string real = temp.Write("real/x.rzb");
    temp.Write("x.rzb"); // where "link/.." would lead if read as text
    ASSERT_EQ(::symlink("real/sub", (temp / "link").c_str()), 0);
    for (const auto& item : std::filesystem::recursive_directory_iterator(temp.Path()))
        ASSERT_EQ(::lchown(item.path().c_str(), uid, gid), 0);

    const std::regex nextRun(R"(Next run: \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\n)");
    const Result first = Run({"/SCHEDULE", "my jobs.rzb", "Mon..Fri 22:00"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(std::regex_match(first.out, nextRun)) << first.out;
    EXPECT_EQ(Run({"/Schedule", other, "hourly"}).status, 0);
    const Result replaced = Run({"/schedule", jobs, "*-*-* 02:30"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out, "Next run: " + replaced.out.substr(10, 10) + " 02:30:00\n");

    const std::pair<Names, std::string> refused[] = {
        {{"/SCHEDULE", jobs, "*-*-* 1:2:3"}, "cannot be kept by cron: cron runs at whole minutes only"},
        {{"/SCHEDULE", "missing.rzb", "daily"}, "File '" + temp.Path() + "missing.rzb' does not exist"},
        {{"/SCHEDULE", jobs, "bogus"}, "ERROR - Invalid calendar expression: bogus\n___"},
        {{"/SCHEDULE", jobs}, "ERROR - /SCHEDULE needs a configuration file and a calendar expression!\n"}};
    for (const auto& [arguments, message] : refused) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }

    const std::regex date(R"(\d{4}-\d\d-\d\d \d\d)");
    EXPECT_EQ(std::regex_replace(Run({"/SCHEDULES"}).out, date, "<d>"),
              "hourly\t" + other + "\t<d>:00:00\n*-*-* 02:30\t" + jobs + "\t<d>:30:00\n");
    const std::string quoted = std::regex_replace(other, std::regex("'"), "'\\''");
    EXPECT_EQ(Crontab(), theirs + "# ZE6Vivevu begin\n# hourly\n0 * * * * '" ZE6_BINARY "' '" +
                             std::regex_replace(quoted, std::regex(R"([%\\])"), "\\$&") +
                             "'\n# *-*-* 02:30\n30 2 * * * '" ZE6_BINARY "' '" + jobs + "'\n# ZE6Vivevu end\n");

    EXPECT_EQ(Run({"/UNSCHEDULE", "my jobs.rzb"}).status, 0);
    const Result again = Run({"/UNSCHEDULE", jobs});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "ZE6Vivevu: '" + jobs + "' has no schedule.\n");
    EXPECT_EQ(Run({"/unschedule", other}).status, 0);
    EXPECT_EQ(Crontab(), theirs);
    EXPECT_EQ(Run({"/SCHEDULES"}).out, "");

    EXPECT_EQ(Run({"/SCHEDULE", "link/../x.rzb", "daily"}).status, 0);
    EXPECT_NE(Run({"/SCHEDULES"}).out.find("daily\t" + real + "\t"), std::string::npos);
}

} // namespace
} // namespace ze6::test
