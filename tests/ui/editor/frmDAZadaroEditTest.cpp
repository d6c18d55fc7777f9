#include "EditorFixture.h"

#include "platform/process/ProcessInfo.h"
#include "support/ScopedEnvironment.h"
#include "ui/editor/CheckableHeader.h"

#include <QCheckBox>
#include <QFile>
#include <QInputDialog>
#include <QPointer>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QThreadPool>

namespace ze6::test {
namespace {

using ContractTest = EditorFixture;

TEST_F(ContractTest, DisplayFillsTheBoxesAndCancelEscapeOrTheCloseBoxReturnButOnlyDestroyUnloads)
{
    form.SetCancel(false);
    form.SetFormCaption(QStringLiteral("Add a new entry")); // loads the dialog, which starts cancelled
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Add a new entry"));
    EXPECT_TRUE(form.SourceFiles().isEmpty());
    form.SetKeepLast(QStringLiteral("0"));
    EXPECT_EQ(form.KeepLast(), QString());

    folder.Write("A.RZT");
    const QString folderPath = QString::fromStdString(folder.Path());
    form.SetSourceFolder(folderPath + QStringLiteral("*.RZT"));
    form.SetTargetFolder(QStringLiteral("/backup/"));
    form.SetKeepLast(5);
    form.SetKeepCalendar(frmDAZadaroEdit::Calendar::Weekly, 4);
    form.SetIfChanged(true);
    QPointer<QDialog> dialog = &Dialog();
    QStringList shown; // the target, keep-last, calendar fields, check box and folder shown while modal
    DisplayAndDo([&] {
        if (Dialog().isVisible() && Dialog().isModal()) {
            shown << TargetBox().text() << KeepLastBox().text();
            for (const char* name : {"txtKeepDaily", "txtKeepWeekly", "txtKeepMonthly", "txtKeepYearly"})
                shown << Control<QLineEdit>(name).text();
            shown << QString::number(Control<QCheckBox>("chkIfChanged").isChecked())
                  << Tree().SelectedPath() + QLatin1Char('/');
        }
        Control<QPushButton>("cmdCancel").click();
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("/backup/"), QStringLiteral("5"), {}, QStringLiteral("4"), {}, {},
                                  QStringLiteral("1"), folderPath}));
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.SourceFolder(), folderPath + QStringLiteral("*.RZT"));
    EXPECT_EQ(form.KeepLast(), QStringLiteral("5"));

    DisplayAndDo([this] { QTest::keyClick(&Dialog(), Qt::Key_Escape); });
    EXPECT_TRUE(form.Cancel());
    bool closed = true;
    DisplayAndDo([&] { closed = Dialog().close(); });
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form.Cancel());
    ASSERT_FALSE(dialog.isNull());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form.TargetFolder(), QStringLiteral("/backup/"));

    form.Destroy();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(form.TargetFolder(), QString());
}

const std::string kCreateQuestion = "Warning: Target Folder does not exist\r\n\r\nDo you wish to create it now?";

class AcceptanceTest : public EditorFixture {
protected:
    // Three data files shown, a valid target and no keep-last typed.
    void OpenWithThreeFiles()
    {
        for (const char* name : {"A.RZT", "B.RZT", "C.RZT6"})
            folder.Write(name);
        m_target = folder.MakeFolder("backup");
        Open(folder.Path());
        TargetBox().setText(QString::fromStdString(m_target));
        KeepLastBox().setText(QString());
    }

    // Exactly one box was shown, focus went to `focus` and the dialog stays up.
    void ExpectRefused(const std::string& text, QWidget* focus, PromptButtons buttons = PromptButtons::Ok,
                       PromptIcon icon = PromptIcon::Exclamation)
    {
        ASSERT_EQ(components.prompt.asked.size(), 1u);
        EXPECT_EQ(components.prompt.asked[0], (PromptRequest{text, ExecutableName(), buttons, icon}));
        components.prompt.asked.clear();
        EXPECT_EQ(QApplication::focusWidget(), focus);
        EXPECT_TRUE(Dialog().isVisible());
        EXPECT_TRUE(form.Cancel());
    }

    std::string m_target;
};

// Every row ticked by hand, header box clear: still the whole folder. Blanks
// around a calendar count are dropped, as around the keep-last count.
TEST_F(AcceptanceTest, EveryRowTickedIsTheWholeFolderAndTheCalendarFieldsAreRead)
{
    OpenWithThreeFiles();
    Grid().Header().ToggleTick();
    for (int row = 0; row < 3; ++row)
        SetTick(row, true);
    Control<QLineEdit>("txtKeepDaily").setText(QStringLiteral(" 7 "));
    Control<QLineEdit>("txtKeepYearly").setText(QStringLiteral("1000000"));
    ClickOk();
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.SourceFiles(), QStringList{QString::fromStdString(folder.Path()) + QStringLiteral("*.RZT?")});
    EXPECT_EQ(form.KeepLast(), QString());
    using Calendar = frmDAZadaroEdit::Calendar;
    EXPECT_EQ((std::vector{form.KeepCalendar(Calendar::Daily), form.KeepCalendar(Calendar::Weekly),
                           form.KeepCalendar(Calendar::Monthly), form.KeepCalendar(Calendar::Yearly)}),
              (std::vector<std::int32_t>{7, 0, 0, 1000000}));
    EXPECT_FALSE(form.IfChanged());
}

TEST_F(AcceptanceTest, MissingTargetIsCreatedOnlyWhenTheUserSaysYesAndAFailureIsReported)
{
    OpenWithThreeFiles();
    const std::string missing = folder.Path() + "new/deeper";
    TargetBox().setText(QString::fromStdString(" " + missing + " "));
    components.prompt.answers = {PromptAnswer::No};
    ClickOk();
    ExpectRefused(kCreateQuestion, &TargetBox(), PromptButtons::YesNo, PromptIcon::None);
    EXPECT_FALSE(Exists(folder.Path() + "new"));

    bool visibleWhileAsked = false;
    components.prompt.onAsk = [&](const PromptRequest&) { visibleWhileAsked = Dialog().isVisible(); };
    components.prompt.answers = {PromptAnswer::Yes};
    ClickOk();
    EXPECT_TRUE(visibleWhileAsked);
    EXPECT_EQ(components.prompt.asked.size(), 1u);
    EXPECT_TRUE(Exists(missing));
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(missing + "/"));

    // A file where a folder of the path should be makes creation impossible.
    OpenWithThreeFiles();
    const std::string blocker = folder.Write("blocker");
    TargetBox().setText(QString::fromStdString(blocker + "/sub"));
    components.prompt.asked.clear();
    components.prompt.answers = {PromptAnswer::Yes};
    ClickOk();
    ASSERT_EQ(components.prompt.asked.size(), 2u);
    EXPECT_EQ(components.prompt.asked[1], (PromptRequest{"Error creating folder '" + blocker + "/sub/'",
                                                         ExecutableName(), PromptButtons::Ok, PromptIcon::Critical}));
    EXPECT_TRUE(Dialog().isVisible());
}

// Each entry at fault is refused in the order of the form, with the focus on
// it. A quote or line break would end a path early in the job line and turn
// the rest into another job or option.
TEST_F(AcceptanceTest, EntriesAtFaultAreRefusedInOrderWithTheFocusOnThem)
{
    OpenWithThreeFiles();
    form.SourceFiles() << QStringLiteral("left over");
    TargetBox().clear();
    KeepLastBox().setText(QStringLiteral("abc"));
    Grid().Header().ToggleTick();
    ClickOk();
    ExpectRefused("No Source File(s) Selected", &Grid());
    EXPECT_TRUE(form.SourceFiles().isEmpty());
    Grid().Header().ToggleTick();

    const std::string injected = folder.Path() + "inj\" KEEPLAST:1 \"";
    const std::tuple<std::string, const char*, const char*, QWidget*> entries[] = {
        {"    ", "abc", "Target Folder must be specified", &TargetBox()},
        {injected, "abc", "Target Folder must not contain a double quote or a line break", &TargetBox()},
        {m_target, "abc", "Keep Last value must be numeric", &KeepLastBox()},
        {m_target, "-1", "Keep Last value must be positive", &KeepLastBox()},
        {m_target, "3000000000", "Keep Last value must not be greater than 2147483647", &KeepLastBox()}};
    for (const auto& [target, keepLast, message, focus] : entries) {
        TargetBox().setText(QString::fromStdString(target));
        KeepLastBox().setText(QString::fromUtf8(keepLast));
        ClickOk();
        ExpectRefused(message, focus);
    }
    // A calendar field takes only what the job line takes after its word.
    KeepLastBox().clear();
    auto& monthly = Control<QLineEdit>("txtKeepMonthly");
    for (const char* count : {"0", "7x", "1.5", "-3", "1000001"}) {
        monthly.setText(QString::fromUtf8(count));
        ClickOk();
        ExpectRefused("Keep Monthly value must be a whole number from 1 to 1000000", &monthly);
    }
    monthly.clear();
    EXPECT_FALSE(Exists(injected + "/"));
    const std::string quoted = folder.MakeFolder("a \"quoted\" folder");
    folder.Write("a \"quoted\" folder/D.RZT");
    Open(quoted);
    ASSERT_EQ(ListedNames(), QStringList{QStringLiteral("D.RZT")});
    TargetBox().setText(QString::fromStdString(m_target));
    ClickOk();
    ExpectRefused("Source Folder must not contain a double quote or a line break", &Tree());
    EXPECT_TRUE(form.SourceFiles().isEmpty());
    // The target passed and stays stored although the dialog was refused, also after Cancel.
    Control<QPushButton>("cmdCancel").click();
    EXPECT_TRUE(form.Cancel());
    EXPECT_EQ(form.TargetFolder(), QString::fromStdString(m_target));
}

TEST_F(AcceptanceTest, BrowseReplacesTheTargetOnlyWhenAFolderWasChosenAndEnterIsOk)
{
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("/typed"));
    auto& browse = Control<QPushButton>("cmdTargetBrowse");
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/typed"));
    EXPECT_EQ(components.browsePrompt, "Select a Target Folder");
    EXPECT_EQ(components.browseOwner, static_cast<QWidget*>(&Dialog()));
    components.chosenFolder = "/picked";
    browse.click();
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/picked/"));

    TargetBox().setText(QString::fromStdString(m_target));
    EXPECT_TRUE(OkButton().isDefault());
    TargetBox().setFocus();
    QTest::keyClick(&TargetBox(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(form.Cancel());
}

TEST_F(AcceptanceTest, RemoteOffersTheConfiguredRemotesAndThenTheChosenOnesFolders)
{
    if (QStandardPaths::findExecutable(QStringLiteral("rclone")).isEmpty())
        GTEST_SKIP() << "rclone is not installed";
    TempFolder rclone;
    rclone.MakeFolder("box/nightly");
    const std::string empty = rclone.Write("empty.conf", "");
    const std::string config = rclone.Write("rclone.conf", "[box]\ntype = alias\nremote = " + rclone / "box" + "\n");
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("/typed"));
    auto& remote = Control<QPushButton>("cmdTargetRemote");
    {
        ScopedEnvironment environment{{"RCLONE_CONFIG", empty}};
        remote.click();
    }
    ASSERT_EQ(components.prompt.asked.size(), 1u);
    EXPECT_NE(components.prompt.asked[0].text.find("rclone config"), std::string::npos);
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/typed"));

    // Each list is answered as it comes up: the remote, then one of its folders.
    ScopedEnvironment environment{{"RCLONE_CONFIG", config}};
    QStringList answers{QStringLiteral("box"), QStringLiteral("nightly/")};
    QStringList offered;
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        auto* list = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (list == nullptr || answers.isEmpty())
            return;
        offered << list->comboBoxItems().join(QLatin1Char(','));
        list->setTextValue(answers.takeFirst());
        list->accept();
    });
    picker.start(10);
    remote.click();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("box"), QStringLiteral("(top level),nightly/")}));
    EXPECT_EQ(TargetBox().text(), QStringLiteral("rclone:box:nightly/"));
}


TEST_F(AcceptanceTest, RemoteListingGoesOnBesideTheDialogAndCanBeCancelled)
{
    // An rclone that does not answer, as one stuck on a remote that is down.
    TempFolder bin;
    const std::string slow = bin.Write("rclone", "#!/bin/sh\nsleep 3\n");
    QFile::setPermissions(QString::fromStdString(slow), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    OpenWithThreeFiles();
    TargetBox().setText(QStringLiteral("/typed"));
    ScopedEnvironment environment{{"PATH", bin.Path() + ":" + std::getenv("PATH")}};
    bool cancelled = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (auto* waiting = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()); waiting && !cancelled) {
            cancelled = true;
            waiting->findChild<QPushButton*>()->click();
        }
    });
    canceller.start(10);
    Control<QPushButton>("cmdTargetRemote").click();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(components.prompt.asked.empty());
    EXPECT_EQ(TargetBox().text(), QStringLiteral("/typed"));
    QThreadPool::globalInstance()->waitForDone(); // the abandoned rclone, before PATH is put back
}

} // namespace
} // namespace ze6::test
