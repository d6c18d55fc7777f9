#include "EditorFixture.h"

#include "ui/editor/FileGrid.h"
#include "ui/editor/FileGridModel.h"
#include "ui/editor/FolderTree.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace ze6::test {

namespace {

class FixedProductSettings final : public ProductSettings {
public:
    explicit FixedProductSettings(std::string dataFolder) : m_dataFolder(std::move(dataFolder)) {}
    void SetProductKey(const std::string&) override {}
    void Load() override {}
    std::string ConfigFolder() const override { return {}; }
    std::string DataFolder() const override { return m_dataFolder; }

private:
    std::string m_dataFolder;
};

class ScriptedFolderBrowser final : public FolderBrowser {
public:
    explicit ScriptedFolderBrowser(EditorComponents& components) : m_components(components) {}
    std::string Browse(WindowHandle owner, const std::string& prompt) override
    {
        m_components.browseOwner = owner;
        m_components.browsePrompt = prompt;
        return m_components.browseResult;
    }

private:
    EditorComponents& m_components;
};

} // namespace

std::unique_ptr<ProductSettings> EditorComponents::CreateProductSettings()
{
    return std::make_unique<FixedProductSettings>(dataFolder);
}

std::unique_ptr<FolderBrowser> EditorComponents::CreateFolderBrowser()
{
    return std::make_unique<ScriptedFolderBrowser>(*this);
}

void ProcessEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

EditorFixture::EditorFixture() = default;

EditorFixture::~EditorFixture()
{
    form.Destroy();
}

EditorDialog& EditorFixture::Dialog()
{
    return *qobject_cast<EditorDialog*>(form.DialogWidget());
}

FileGrid& EditorFixture::Grid()
{
    return Control<FileGrid>("grdfiles");
}

FolderTree& EditorFixture::Tree()
{
    return Control<FolderTree>("lstFolders");
}

QLineEdit& EditorFixture::TargetBox()
{
    return Control<QLineEdit>("txtTargetFolder");
}

QLineEdit& EditorFixture::KeepLastBox()
{
    return Control<QLineEdit>("txtKeepLast");
}

QPushButton& EditorFixture::OkButton()
{
    return Control<QPushButton>("cmdOk");
}

void EditorFixture::Open(const std::string& sourceFolder)
{
    form.SetFormCaption(QStringLiteral("Add a new entry"));
    form.SetSourceFolder(QString::fromStdString(sourceFolder));
    Dialog().Prepare();
    Dialog().show();
    Dialog().activateWindow();
    if (!QTest::qWaitForWindowActive(&Dialog()))
        ADD_FAILURE() << "the dialog never became active";
    ProcessEvents();
}

void EditorFixture::DisplayAndDo(const std::function<void()>& act)
{
    QTimer::singleShot(0, &Dialog(), [this, act] {
        act();
        ProcessEvents();
    });
    QTimer::singleShot(20000, &Dialog(), [this] {
        ADD_FAILURE() << "Display did not return; hiding the dialog";
        Dialog().hide();
    });
    form.Display();
}

QStringList EditorFixture::ListedNames()
{
    QStringList names;
    for (const FileGridRow& row : Grid().Model().Rows())
        names << row.name;
    return names;
}

std::vector<bool> EditorFixture::Ticks()
{
    std::vector<bool> ticks;
    for (const FileGridRow& row : Grid().Model().Rows())
        ticks.push_back(row.ticked);
    return ticks;
}

void EditorFixture::SetTick(int dataRow, bool ticked)
{
    FileGridModel& model = Grid().Model();
    model.setData(model.index(dataRow, FileGridModel::TickColumn), ticked ? Qt::Checked : Qt::Unchecked,
                  Qt::CheckStateRole);
}

void EditorFixture::ClickOk()
{
    QTest::mouseClick(&OkButton(), Qt::LeftButton);
    ProcessEvents();
}

} // namespace ze6::test
