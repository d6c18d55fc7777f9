#include "ui/main/MainWindowFixture.h"

#include "diagnostics/modDebug.h"

#include <QTest>

namespace ze6::test {

namespace {

class ScriptedFileDialogs final : public FileDialogs {
public:
    explicit ScriptedFileDialogs(FileDialogScript& script) : m_script(script) {}

    std::string Open(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                     const std::string& filter, bool fileMustExist) override
    {
        m_script.calls.push_back({false, owner, initialLocation, title, filter, fileMustExist});
        return Answer();
    }

    std::string Save(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                     const std::string& filter, bool confirmOverwrite) override
    {
        m_script.calls.push_back({true, owner, initialLocation, title, filter, confirmOverwrite});
        return Answer();
    }

private:
    std::string Answer()
    {
        if (m_script.answers.empty())
            return {};
        std::string answer = m_script.answers.front();
        m_script.answers.pop_front();
        return answer;
    }

    FileDialogScript& m_script;
};

class KnownProductSettings final : public ProductSettings {
public:
    explicit KnownProductSettings(std::string configFolder) : m_configFolder(std::move(configFolder)) {}
    void SetProductKey(const std::string&) override {}
    void Load() override {}
    std::string ConfigFolder() const override { return m_configFolder; }
    std::string DataFolder() const override { return {}; }

private:
    std::string m_configFolder;
};

} // namespace

std::unique_ptr<FileDialogs> MainWindowComponents::CreateFileDialogs()
{
    return std::make_unique<ScriptedFileDialogs>(dialogs);
}

std::unique_ptr<ProductSettings> MainWindowComponents::CreateProductSettings()
{
    return std::make_unique<KnownProductSettings>(configFolder);
}

MainWindowTest::MainWindowTest()
{
    qputenv("ZE6VIVEVU_LOG", QByteArray::fromStdString(folder / "ZE6Vivevu.log"));
    modDebug::ResetForTesting();
    window = std::make_unique<frmDAZadaro>();
    window->show();
}

MainWindowTest::~MainWindowTest()
{
    window.reset();
    modDebug::ResetForTesting();
    qunsetenv("ZE6VIVEVU_LOG");
}

QTableWidget* MainWindowTest::Grid() const
{
    return window->findChild<QTableWidget*>(QStringLiteral("Grid"));
}

QPushButton* MainWindowTest::Button(const char* name) const
{
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
}

QMenu* MainWindowTest::Menu(const char* name) const
{
    return window->findChild<QMenu*>(QString::fromLatin1(name));
}

QAction* MainWindowTest::Action(const char* name) const
{
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

void MainWindowTest::PutJobs(const std::vector<JobRow>& rows)
{
    QTableWidget* grid = Grid();
    for (const JobRow& row : rows) {
        const int index = grid->rowCount();
        grid->insertRow(index);
        grid->setItem(index, 0, new QTableWidgetItem(QString::fromStdString(row.source)));
        grid->setItem(index, 1, new QTableWidgetItem(QString::fromStdString(row.target)));
        grid->setItem(index, 2, new QTableWidgetItem(QString::fromStdString(row.keepLast)));
    }
}

void MainWindowTest::OpenFileMenu() const
{
    Q_EMIT Menu("mnuFile")->aboutToShow();
}

void MainWindowTest::CtrlClickRows(const std::vector<int>& rows)
{
    QTableWidget* grid = Grid();
    for (int row : rows) {
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
    }
}

} // namespace ze6::test
