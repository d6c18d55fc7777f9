#include "support/ProgramRun.h"
#include "support/ZipReader.h"

#include <QDateTime>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace ze6::test {
namespace {

class ProgramTest : public ProgramFixture {
protected:
    // With a terminal type, as from a shell: standard error is a pipe, so no progress is shown.
    Result Run(const Names& arguments) const { return ProgramRun(program).With("TERM", "xterm").Run(arguments); }

    Names Folder(const std::string& relative) const { return Stamped(temp / relative); }

    // A configuration file (its name unquoted, with a blank) whose first line
    // is malformed and whose second archives data/A.RZT into out/.
    std::string BadThenGoodJob() const
    {
        temp.Write("data/A.RZT", "a");
        return temp.Write("my jobs.Rzb",
                          " bad\r\n" + Quoted(temp / "data/A.RZT") + " " + Quoted(temp / "out") + "\r\n");
    }
};

// Whether `text` is the usage with `message`, as lines. What the usage says
// is the engine's own text, held against the box in MainTest.
bool IsUsage(const std::string& text, const std::string& message)
{
    const std::string head = UsageTitle() + "\n" + (message.empty() ? "" : message + "\n") + std::string(85, '_') +
                             "\n\nFormat: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]\n";
    return text.starts_with(head) && text.ends_with("newest archive\n") && text.find('\r') == std::string::npos;
}

// The help and version switches answer on standard output, a malformed job
// line or switch gets the usage with its error on standard error; none logs.
TEST_F(ProgramTest, HelpVersionAndMalformedLinesAnswerWithoutTheLog)
{
    const std::tuple<Names, int, bool, std::string> cases[] = {
        {{"--help"}, 0, true, ""},
        {{"/?"}, 0, false, ""},
        {{" "}, 2, false, "ERROR - Missing Quote in SourcePath!"},
        {{"/restore", "/backup/A.RZZ"}, 2, false, "ERROR - /RESTORE needs an archive and a folder!"}};
    for (const auto& [arguments, status, onOutput, message] : cases) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, status) << arguments[0];
        EXPECT_TRUE(IsUsage(onOutput ? result.out : result.err, message)) << arguments[0];
        EXPECT_EQ(onOutput ? result.err : result.out, "") << arguments[0];
    }
    const Result version = Run({"--version"});
    EXPECT_EQ(std::tie(version.status, version.out, version.err),
              std::make_tuple(0, "ZE6Vivevu " + UsageTitle().substr(UsageTitle().rfind('V') + 1), std::string()));
    EXPECT_FALSE(Exists(logPath));
}

TEST_F(ProgramTest, FolderAndWildcardJobsRunSilently)
{
    temp.Write("data/PLANT1.RZT", "one");
    temp.Write("data/plant1.rzd", "one's companion");
    temp.Write("data/Plant2.rzt6", "two");
    temp.Write("data/PLANT1.RZT6", "one, generation 6"); // one series with PLANT1.RZT
    temp.Write("data/notes.txt");
    for (int day = 1; day <= 6; ++day)
        temp.Write("wild/PLANT1_2020-01-0" + std::to_string(day) + "-00-00-00.RZZ", "old");

    const Result folder = Run({temp / "data", temp / "backup"});
    const Result wildcard = Run({temp / "data/*.RZT", temp / "wild/", "KEEPLAST:5"});
    const Result relative = Run({"\"data/*.rzt6\" \"rel\""});
    for (const Result& result : {folder, wildcard, relative})
        EXPECT_TRUE(Silent(result));
    EXPECT_FALSE(Exists(logPath));
    EXPECT_EQ(Folder("backup"), (Names{"PLANT1_<t>.RZZ", "PLANT1_<t>.RZZ", "Plant2_<t>.RZZ"}));
    EXPECT_EQ(Folder("wild"),
              (Names{"PLANT1_2020-01-03-00-00-00.RZZ", "PLANT1_2020-01-04-00-00-00.RZZ",
                     "PLANT1_2020-01-05-00-00-00.RZZ", "PLANT1_2020-01-06-00-00-00.RZZ", "PLANT1_<t>.RZZ"}));
    EXPECT_EQ(Folder("rel"), (Names{"PLANT1_<t>.RZZ", "Plant2_<t>.RZZ"}));
}

// Among several jobs, the one whose keep-last count cannot be read is named
// in its entry; the others run.
TEST_F(ProgramTest, AJobLineThatCannotBeReadIsLoggedWithTheLine)
{
    temp.Write("data/A.RZT", "a");
    const std::string bad = Quoted(temp / "data/") + " " + Quoted(temp / "other") + " KEEPLAST:99999999999";
    const std::string jobs =
        temp.Write("jobs.rzb", Quoted(temp / "data/") + " " + Quoted(temp / "out") + "\r\n  " + bad + "  \r\n");
    EXPECT_TRUE(Silent(Run({jobs}), 1));
    EXPECT_EQ(LogEntries(logPath), Names{"ERROR: modDAZadaro, ProcessCommandLine, Runtime error occured: 6 - "
                                         "Overflow: " +
                                         bad + " Source: ZE6Vivevu"});
    EXPECT_EQ(Folder("out"), Names{"A_<t>.RZZ"});
    EXPECT_FALSE(Exists(temp / "other"));
}

// A run by hand in the very second the nightly one named its archive waits
// for the next free second; the nightly archive stays as it was.
TEST_F(ProgramTest, ARunInTheSecondOfAnotherRunsArchiveTakesTheNextFreeSecond)
{
    temp.Write("data/A.RZT", "newer");
    const QDateTime now = QDateTime::currentDateTime();
    for (const int second : {0, 1})
        temp.Write("out/A" + now.addSecs(second).toString(QStringLiteral("_yyyy-MM-dd-HH-mm-ss")).toStdString() +
                       ".RZZ",
                   "nightly");

    EXPECT_TRUE(Silent(Run({temp / "data/A.RZT", temp / "out"}))) << ReadFile(logPath);
    const Names names = FolderNames(temp / "out");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(ReadFile(temp / ("out/" + names[0])) + ReadFile(temp / ("out/" + names[1])), "nightlynightly");
    const auto entries = ReadZip(temp / ("out/" + names[2]));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].content, "newer");
}

// Names that differ only in case are different files: each data file is
// archived under its own spelling with the companions spelled most like it,
// and a single-file source of an exact spelling selects that file alone.
TEST_F(ProgramTest, EachDataFileKeepsItsOwnSpellingAndCompanion)
{
    temp.Write("data/Plant1.RZT", "lower");
    temp.Write("data/PLANT1.RZT", "upper");
    temp.Write("data/Plant1.RZD", "lower's companion");
    temp.Write("data/PLANT1.rzd", "upper's companion");
    temp.Write("data/aB.RZT", "short"); // its companion 1, aB.rzt, is spelled more like the other
    temp.Write("data/Ab.rzt", "other");

    for (const Result& result : {Run({temp / "data", temp / "both"}), Run({temp / "data/Plant1.RZT", temp / "one"})})
        EXPECT_TRUE(Silent(result)) << ReadFile(logPath);
    const auto archived = [&](const std::string& folder) {
        Names entries;
        for (const auto& name : FolderNames(temp / folder)) {
            for (const auto& entry : ReadZip(temp / (folder + "/" + name)))
                entries.push_back(name.substr(0, name.find('_')) + ": " + entry.name + "=" + entry.content);
        }
        return entries;
    };
    EXPECT_EQ(archived("both"),
              (Names{"Ab: Ab.rzt=other", "PLANT1: PLANT1.RZT=upper", "PLANT1: PLANT1.rzd=upper's companion",
                     "Plant1: Plant1.RZT=lower", "Plant1: Plant1.RZD=lower's companion", "aB: aB.RZT=short"}));
    EXPECT_EQ(archived("one"), (Names{"Plant1: Plant1.RZT=lower", "Plant1: Plant1.RZD=lower's companion"}));
}

// A companion is a regular file or a link to one. A folder, a link to a
// folder, a FIFO or a device named like one is left out, never read, and said
// once: the archive lacks a file the user may expect in it.
TEST_F(ProgramTest, CompanionsThatAreNoRegularFilesAreLeftOutAndLogged)
{
    temp.Write("data/A.RZT", "data");
    temp.Write("data/real.rzd", "companion");
    temp.Write("data/sub/inside", "never archived");
    ASSERT_EQ(::symlink("real.rzd", (temp / "data/A.rzd").c_str()), 0);
    std::filesystem::create_directory(temp / "data/A.rzn");
    ASSERT_EQ(::symlink("sub", (temp / "data/A.rzm").c_str()), 0);
    ASSERT_EQ(::mkfifo((temp / "data/A.rzi").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", (temp / "data/A.rza").c_str()), 0);

    EXPECT_TRUE(Silent(Run({temp / "data/A.RZT", temp / "out"}), 1));
    Names logged;
    for (const char* name : {"A.rzi", "A.rza", "A.rzn", "A.rzm"})
        logged.push_back(
            "ERROR: modDAZadaro, ArchiveApplication, Runtime error occured: 75 - Path/File access error: " +
            (temp / "data/") + name + " Source: ZE6Vivevu");
    EXPECT_EQ(LogEntries(logPath), logged);
    const Names names = FolderNames(temp / "out");
    ASSERT_EQ(names.size(), 1u);
    Names entries;
    for (const auto& entry : ReadZip(temp / ("out/" + names[0])))
        entries.push_back(entry.name + "=" + entry.content);
    EXPECT_EQ(entries, (Names{"A.RZT=data", "A.rzd=companion"}));
}

// A socket file nobody listens on, as a compositor that has gone leaves behind.
std::string DeadSocket(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0) << path;
    ::close(descriptor);
    return path;
}

// Stale displays, as under cron or after a dropped SSH session, and a platform
// nobody sees: the box goes to standard error and the run goes on.
TEST_F(ProgramTest, WithoutAVisibleDisplayTheUsageGoesToStandardErrorAndTheRunGoesOn)
{
    const std::string jobs = BadThenGoodJob();
    ASSERT_FALSE(Exists("/tmp/.X11-unix/X987"));
    const std::pair<std::string, std::string> cases[] = {
        {"DISPLAY", ":987"}, {"WAYLAND_DISPLAY", DeadSocket(temp / "wayland-gone")}, {"QT_QPA_PLATFORM", "offscreen"}};
    for (const auto& [name, value] : cases) {
        const Result result = ProgramRun(program).With(name, value).Run({jobs});
        EXPECT_EQ(result.status, 2) << name;
        EXPECT_TRUE(IsUsage(result.err, "ERROR - Missing Quote in SourcePath!")) << name;
        EXPECT_EQ(result.out, "") << name;
        EXPECT_EQ(Folder("out"), Names{"A_<t>.RZZ"}) << name;
        std::filesystem::remove_all(temp / "out");
    }
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The shown window with this title: the toolkit may make a window, title it
// and replace it before it is shown, and a close sent to that one is lost.
xcb_window_t WindowTitled(xcb_connection_t* connection, const std::string& title)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto cookie =
            xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
        const Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(connection, cookie, nullptr), &std::free);
        if (!name || std::string(static_cast<const char*>(xcb_get_property_value(name.get())),
                                 xcb_get_property_value_length(name.get())) != title)
            continue;
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr),
            &std::free);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            return children[i];
    }
    return 0;
}

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A display that answers gets a real box, which holds the run until it is closed.
TEST_F(ProgramTest, WithARealDisplayTheUsageIsABoxThatHoldsTheRunUntilItIsClosed)
{
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(10000))
        GTEST_SKIP() << "Xvfb cannot be started";
    for (int i = 0; i < 100 && !server.canReadLine(); ++i)
        server.waitForReadyRead(200);
    const std::string display = ":" + server.readLine().trimmed().toStdString();
    ASSERT_NE(display, ":");
    const std::string jobs = BadThenGoodJob();

    QProcess run;
    ProgramRun(program).With("DISPLAY", display).Start(run, {jobs});
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(display.c_str(), nullptr),
                                                                                  &xcb_disconnect);
    ASSERT_EQ(xcb_connection_has_error(connection.get()), 0);
    xcb_window_t box = 0;
    for (int i = 0; i < 300 && box == 0 && run.state() == QProcess::Running; ++i) {
        run.waitForFinished(100);
        box = WindowTitled(connection.get(), "ZE6Vivevu");
    }
    ASSERT_NE(box, 0u) << run.readAllStandardError().toStdString();
    EXPECT_EQ(Folder("out"), Names{}); // the good job waits behind the box

    // Closed as by the window manager's close button.
    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = box;
    close.type = Atom(connection.get(), "WM_PROTOCOLS");
    close.data.data32[0] = Atom(connection.get(), "WM_DELETE_WINDOW");
    close.data.data32[1] = XCB_CURRENT_TIME;
    // A close that arrives while the box is still being set up is lost, so it
    // is sent again, to the box shown now, until the run ends.
    for (int i = 0; i < 60 && run.state() == QProcess::Running; ++i) {
        if (const xcb_window_t shown = WindowTitled(connection.get(), "ZE6Vivevu"); shown != 0)
            close.window = box = shown;
        xcb_send_event(connection.get(), 0, box, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
        xcb_flush(connection.get());
        run.waitForFinished(500);
    }
    ASSERT_EQ(run.state(), QProcess::NotRunning);
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_EQ(run.readAllStandardOutput().toStdString() + run.readAllStandardError().toStdString(), "");
    EXPECT_EQ(Folder("out"), Names{"A_<t>.RZZ"});
}

} // namespace
} // namespace ze6::test
