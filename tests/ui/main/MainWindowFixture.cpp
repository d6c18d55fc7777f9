#include "ui/main/MainWindowFixture.h"

#include "diagnostics/modDebug.h"

#include <thread>

namespace ze6::test {

std::unique_ptr<FileDialogs> MainWindowComponents::CreateFileDialogs()
{
    struct Dialogs final : FileDialogs {
        FileDialogScript& script;
        explicit Dialogs(FileDialogScript& s) : script(s) {}
        std::string Open(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                         const std::string& filter, bool fileMustExist) override
        {
            return Answer({false, owner, initialLocation, title, filter, fileMustExist});
        }
        std::string Save(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                         const std::string& filter, bool confirmOverwrite) override
        {
            return Answer({true, owner, initialLocation, title, filter, confirmOverwrite});
        }
        std::string Answer(const FileDialogCall& call)
        {
            script.calls.push_back(call);
            if (script.answers.empty())
                return {};
            std::string answer = script.answers.front();
            script.answers.pop_front();
            return answer;
        }
    };
    return std::make_unique<Dialogs>(dialogs);
}

std::unique_ptr<ArchiveWriter> MainWindowComponents::CreateArchiveWriter()
{
    struct Slow final : ArchiveWriter {
        std::unique_ptr<ArchiveWriter> real;
        std::chrono::milliseconds pause;
        void SetArchiveName(const std::string& path) override { real->SetArchiveName(path); }
        void AddFile(const std::string& path) override { real->AddFile(path); }
        void SetBlockObserver(BlockObserver observer) override
        {
            real->SetBlockObserver([observer = std::move(observer), this](std::uint64_t bytes) {
                std::this_thread::sleep_for(pause);
                return observer(bytes);
            });
        }
        void Build() override { real->Build(); }
        void Commit() override { real->Commit(); }
        void Finish() override { real->Finish(); }
    };
    auto writer = std::make_unique<Slow>();
    writer->real = Components::CreateArchiveWriter();
    writer->pause = blockPause;
    return writer;
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

void MainWindowTest::PutJobs(const std::vector<JobRow>& rows)
{
    QTableWidget* grid = Grid();
    for (const JobRow& row : rows) {
        const int index = grid->rowCount();
        grid->insertRow(index);
        int column = 0;
        for (const std::string* cell : {&row.source, &row.target, &row.keepLast})
            grid->setItem(index, column++, new QTableWidgetItem(QString::fromStdString(*cell)));
    }
}

} // namespace ze6::test
