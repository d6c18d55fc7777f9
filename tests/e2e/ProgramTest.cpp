#include "platform/process/Version.h"
#include "support/ProgramRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
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

// The first line of the usage text, with the version this build was given.
std::string UsageTitle()
{
    return "Ranzel Backup Utility - V" + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision) + "\n";
}

// Whether `text` is the whole usage with `message`, as lines. What the usage
// says is the engine's own text, held against the box in MainTest.
bool IsUsage(const std::string& text, const std::string& message)
{
    return text.starts_with(UsageTitle() + "\n" + (message.empty() ? "" : message + "\n")) &&
           text.ends_with("newest archive\n") && text.find('\r') == std::string::npos;
}

// The help and version switches answer on standard output, a malformed job
// line or switch gets the usage with its error on standard error, a good job
// says nothing; none logs.
TEST_F(ProgramTest, EachRunAnswersOnItsOwnStreamWithoutTheLog)
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

    // A job as one argument, relative to where the run starts, with a terminal
    // type set but standard error a pipe: archived, and nothing said.
    temp.Write("data/Plant2.rzt6", "two");
    EXPECT_TRUE(Silent(Run({"\"data/*.rzt6\" \"rel\""})));
    EXPECT_EQ(Folder("rel"), Names{"Plant2_<t>.RZZ"});
    EXPECT_FALSE(Exists(logPath));
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
