#include "engine/Usage.h"
#include "platform/process/ProcessInfo.h"
#include "support/FixedClock.h"
#include "support/ZipReader.h"
#include "ui/main/MainWindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace ze6::test {
namespace {

using CommandsTest = MainWindowTest;

TEST_F(CommandsTest, AddAppendsOneRowPerSourceWithTheDialogsTargetAndRulesUnlessCancelled)
{
    const std::string data = folder.MakeFolder("data");
    for (const char* name : {"A.RZT", "B.RZT", "C.RZT6"})
        folder.Write(std::string("data/") + name);
    const std::string target = folder.MakeFolder("backup");
    PutJobs({{data + "*.RZT?", "/old/target/", {9}}});
    SetCurrentRow(0);

    QObject cancelScope;
    WithNextModal(cancelScope, [](QWidget& dialog) { dialog.close(); });
    Button("cmdAdd")->click();
    EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{data + "*.RZT?", "/old/target/", {9}}}));
    EXPECT_FALSE(window->IsDirty());
    EXPECT_TRUE(Button("cmdAdd")->isEnabled());
    EXPECT_EQ(window->focusWidget(), Grid());

    QStringList shown; // the title, the target and keep-last boxes, then the names listed
    QObject scope;
    WithNextModal(scope, [&](QWidget& dialog) {
        auto* targetBox = dialog.findChild<QLineEdit*>(QStringLiteral("txtTargetFolder"));
        auto* keepLastBox = dialog.findChild<QLineEdit*>(QStringLiteral("txtKeepLast"));
        QAbstractItemModel* model = dialog.findChild<QAbstractItemView*>(QStringLiteral("grdfiles"))->model();
        shown << dialog.windowTitle() << targetBox->text() << keepLastBox->text();
        // The current row's source decides which folder the dialog lists.
        if (!QTest::qWaitFor([model] { return model->rowCount() == 3; })) {
            dialog.close();
            return;
        }
        for (int row = 0; row < 3; ++row)
            shown << model->index(row, 2).data().toString();
        model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        targetBox->setText(QString::fromStdString(target));
        keepLastBox->setText(QStringLiteral("4"));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtKeepMonthly"))->setText(QStringLiteral(" 12 "));
        dialog.findChild<QCheckBox*>(QStringLiteral("chkIfChanged"))->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
    });
    Button("cmdAdd")->click();

    ASSERT_EQ(shown.size(), 6) << "the row's folder was not listed";
    // Keep-last is never carried over from the row.
    EXPECT_EQ(shown.mid(0, 3), (QStringList{QStringLiteral("Add a new entry"), QStringLiteral("/old/target/"), {}}));
    EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{data + "*.RZT?", "/old/target/", {9}},
                                                     {data + shown[3].toStdString(), target, {4, 0, 0, 12}, true},
                                                     {data + shown[5].toStdString(), target, {4, 0, 0, 12}, true}}));
    EXPECT_TRUE(window->IsDirty());
    EXPECT_TRUE(Asked().empty());
}

TEST_F(CommandsTest, RemoveTakesExactlyTheSelectedRowsEvenWhenApart)
{
    Button("cmdRemove")->click();
    EXPECT_FALSE(window->IsDirty()); // nothing to remove from an empty list

    for (const char* source : {"/1/", "/2/", "/3/", "/4/", "/5/", "/6/"})
        PutJobs({{source, "/t/", {0}}});
    for (int row : {0, 2, 5}) // as a user picks rows apart
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          Grid()->visualRect(Grid()->model()->index(row, 0)).center());
    Button("cmdRemove")->click();
    EXPECT_EQ(Jobs(), (std::vector<modDAZadaro::Job>{{"/2/", "/t/", {0}}, {"/4/", "/t/", {0}}, {"/5/", "/t/", {0}}}));
    EXPECT_TRUE(window->IsDirty());
    EXPECT_TRUE(Asked().empty());
}

TEST_F(CommandsTest, HelpShowsTheUsageAndCopySyntaxPutsTheCurrentRowsJobLineOnTheClipboard)
{
    Action("mnuHelpCommandLine")->trigger(); // without an error line
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    Button("cmdCopySyntax")->click();
    EXPECT_EQ(Asked(), (std::vector<PromptRequest>{
                           {modDAZadaro::UsageText(""), ExecutableName(), PromptButtons::Ok, PromptIcon::None},
                           {"Selected item is invalid.", "DA Zadaro", PromptButtons::Ok, PromptIcon::None}}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));

    PutJobs({{"/a/", "/b/", {0}}, {"/my data/*.RZT", "/to/", {5}}});
    SetCurrentRow(1);
    Action("mnuGenerateCommandLine")->trigger();
    const std::string line = "\"/my data/*.RZT\" \"/to/\" KEEPLAST:5";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), line);
    EXPECT_EQ(Asked().back(),
              (PromptRequest{"Command line syntax for selected item has been placed on the clipboard.\r\n\r\n" + line,
                             ExecutableName(), PromptButtons::OkCancel, PromptIcon::None}));

    // A name that is not UTF-8 (here Latin-1) goes as its bytes, and shows readably.
    PutJobs({{"/caf\xe9/", "/t/", {0}}});
    SetCurrentRow(2);
    Button("cmdCopySyntax")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).toStdString(),
              "\"/caf\xe9/\" \"/t/\" KEEPLAST:");
    EXPECT_NE(Asked().back().text.find(QStringLiteral("\"/café/\"").toStdString()), std::string::npos);
}

TEST_F(CommandsTest, ExecuteRunsEveryRowInOrderAndGoesOnPastARejectedOne)
{
    Button("cmdExecute")->click();
    EXPECT_TRUE(Asked().empty()); // an empty list runs nothing and says nothing

    const std::string data = folder.MakeFolder("data");
    folder.Write("data/PLANT1.RZT", "plant one");
    folder.Write("data/PLANT2.RZT6", "plant two");
    const std::string allTarget = folder / "all/", oneTarget = folder / "one/";
    PutJobs({{data, allTarget, {0}},
             {"/bad\"row/", "/t/", {0}}, // a quote inside a cell cannot make a valid job line
             {data + "PLANT1.RZT", oneTarget, {1}}});
    FixedClock clock(components, QDateTime(QDate(2026, 12, 5), QTime(18, 21, 43)));

    components.prompt.onAsk = [&](const PromptRequest& request) {
        const bool running = request.text != "Backup completed!";
        EXPECT_EQ(Button("cmdExecute")->isEnabled(), !running);
        // Boxes are shown on the window's thread, over the run's dialog while it runs.
        EXPECT_EQ(QThread::currentThread(), window->thread());
        const auto* dialog = window->findChild<QDialog*>(QStringLiteral("RunProgressDialog"));
        EXPECT_EQ(dialog != nullptr && dialog->isVisible(), running);
        if (running) {
            // The second row's usage box: the first job has run, the third not yet.
            EXPECT_EQ(FolderNames(allTarget).size(), 2u);
            EXPECT_FALSE(Exists(oneTarget));
        }
    };
    Button("cmdExecute")->click();
    ASSERT_EQ(Asked().size(), 2u);
    EXPECT_NE(Asked()[0].text.find("ERROR - Missing Quote in TargetPath!"), std::string::npos);
    EXPECT_EQ(Asked()[1],
              (PromptRequest{"Backup completed!", "ZE6 Vivevu", PromptButtons::Ok, PromptIcon::Information}));
    EXPECT_EQ(FolderNames(allTarget), (Names{"PLANT1_2026-12-05-18-21-43.RZZ", "PLANT2_2026-12-05-18-21-43.RZZ"}));
    EXPECT_EQ(FolderNames(oneTarget), (Names{"PLANT1_2026-12-05-18-21-43.RZZ"}));
    EXPECT_FALSE(window->IsDirty());
    // Each row's last run in the last two columns; the rejected one is marked and says why.
    const int result = JobList().columnCount() - 1;
    std::vector<std::string> shown;
    for (int row = 0; row < 3; ++row)
        for (int column : {result - 1, result})
            shown.push_back(JobList().index(row, column).data().toString().toStdString());
    EXPECT_EQ(shown, (Names{"2026-12-05 18:21:43", "clean", "2026-12-05 18:21:43", "rejected", "2026-12-05 18:21:43",
                            "clean"}));
    EXPECT_TRUE(JobList().index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(JobList().index(1, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(JobList().index(1, 2).data(Qt::ToolTipRole).toString().toStdString(),
              "ERROR - Missing Quote in TargetPath!");

    // A run that wrote to the log says how much and where, and shows the log on request.
    JobList().SetJobs({});
    PutJobs({{data, folder.Write("blocker") + "/sub/", {0}}});
    components.prompt.onAsk = nullptr;
    Asked().clear();
    const std::string log = folder / "ZE6Vivevu.log";
    components.prompt.answers = {PromptAnswer::No, PromptAnswer::Yes}; // show the log the second time
    Button("cmdExecute")->click();
    Button("cmdExecute")->click();
    const PromptRequest logged{"Backup completed, but 2 entries were written to the log:\r\n" + log +
                                   "\r\n\r\nShow the log?",
                               "ZE6 Vivevu", PromptButtons::YesNo, PromptIcon::Exclamation};
    EXPECT_EQ(Asked(), (std::vector<PromptRequest>{logged, logged}));
    EXPECT_EQ(components.openedLinks, Names{"file://" + log});
}

// A file whose job failed says so when it is opened, and Show Log puts that
// run's entries first.
TEST_F(CommandsTest, AFileWithAFailedJobSaysSoAndShowLogBeginsWithItsRun)
{
    const std::string data = folder.MakeFolder("data");
    folder.Write("data/PLANT1.RZT", "plant one");
    const std::string jobs =
        folder.Write("jobs.rzb", "\"" + data + "\" \"" + folder.Write("blocker") + "/sub/\"\r\n");
    const std::string log = folder / "ZE6Vivevu.log";
    folder.Write("ZE6Vivevu.log", "[2026-01-01 00:00:00.000] [modDAZadaro] [error] an older entry\n");
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(jobs)));
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());

    components.prompt.answers = {PromptAnswer::No};
    Button("cmdExecute")->click();
    ASSERT_TRUE(window->LoadFile(QString::fromStdString(jobs)));
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(
        QStringLiteral("1 backup job has not succeeded since ")))
        << window->statusBar()->currentMessage().toStdString();

    SetCurrentRow(0);
    QString shown;
    QObject scope;
    WithNextModal(scope, [&](QWidget& dialog) {
        shown = dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtLog"))->toPlainText();
        dialog.close();
    });
    Action("mnuShowLog")->trigger();
    // The run's entries in their order, a blank line, then the whole log newest first.
    const QStringList lines = shown.split(u'\n');
    const qsizetype blank = lines.indexOf(QString());
    ASSERT_GT(blank, 0) << shown.toStdString();
    ASSERT_GT(lines.size(), 2 * blank + 1);
    for (qsizetype n = 0; n < blank; ++n) {
        EXPECT_TRUE(lines[n].contains(QStringLiteral("blocker"))) << lines[n].toStdString();
        EXPECT_EQ(lines[n], lines[2 * blank - n]);
    }
    EXPECT_EQ(lines[2 * blank + 1], QStringLiteral("[2026-01-01 00:00:00.000] [modDAZadaro] [error] an older entry"));
}

// A long run leaves the window alive: its dialog shows the data file, n of N
// and the bytes read; closing the window asks first, and Cancel stops the run
// inside a data file, keeping the archive already finished and no temporary.
TEST_F(CommandsTest, ExecuteShowsProgressAndCancelKeepsWhatWasFinished)
{
    const std::string data = folder.MakeFolder("data");
    folder.Write("data/A.RZT", "small");
    folder.Write("data/B.RZT", std::string(std::size_t{24} << 20, 'b'));
    const std::string target = folder / "backup/";
    PutJobs({{data + "A.RZT", target, {0}}, {data + "B.RZT", target, {0}}});
    components.blockPause = std::chrono::milliseconds(20);
    components.prompt.answers = {PromptAnswer::No, PromptAnswer::No, PromptAnswer::Yes};

    QString shownFile, shownCount;
    bool cancelled = false;
    std::function<void(QDialog*)> onProgress = [&](QDialog* dialog) {
        shownFile = dialog->findChild<QLabel*>(QStringLiteral("lblDataFile"))->text();
        shownCount = dialog->findChild<QLabel*>(QStringLiteral("lblCount"))->text();
        window->close(); // answered No: the run goes on
        QTest::keyClick(dialog, Qt::Key_Escape);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = window->findChild<QDialog*>(QStringLiteral("RunProgressDialog"));
        if (dialog == nullptr || cancelled ||
            dialog->findChild<QProgressBar*>(QStringLiteral("barBytes"))->value() == 0)
            return;
        cancelled = true;
        onProgress(dialog);
    });
    watch.start(5);
    Button("cmdExecute")->click();

    EXPECT_TRUE(cancelled);
    EXPECT_EQ(shownFile, QString::fromStdString(data + "B.RZT"));
    EXPECT_EQ(shownCount, QStringLiteral("Data file 2 of 2"));
    ASSERT_EQ(Asked().size(), 2u);
    EXPECT_EQ(Asked()[0].text, "A backup is running. Cancel it and close the window?");
    EXPECT_NE(Asked()[1].text.find("1 entry was"), std::string::npos);
    EXPECT_TRUE(window->isVisible());
    const auto left = FolderNames(target);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].substr(0, 2), "A_");
    EXPECT_EQ(ReadZip(target + left[0]).at(0).content, "small");

    // Yes to the closing question cancels the run, and the window closes once it has ended.
    JobList().RemoveRows({0});
    cancelled = false;
    onProgress = [&](QDialog*) { window->close(); };
    Button("cmdExecute")->click();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(Asked().size(), 3u);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(FolderNames(target), left);
}

} // namespace
} // namespace ze6::test
