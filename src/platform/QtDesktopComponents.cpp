#include "platform/RealComponents.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace ze6 {

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* AsWidget(WindowHandle owner)
{
    return static_cast<QWidget*>(owner);
}

class QtClipboard final : public Clipboard {
public:
    void SetText(const std::string& text) override
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr)
            return;
        if (QUtf8StringView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8()) {
            clipboard->setText(FromUtf8(text), QClipboard::Clipboard);
            return;
        }
        // Paths need not be UTF-8: such text goes as its bytes, which a
        // decoded string could not give back.
        auto* data = new QMimeData;
        data->setData(QStringLiteral("text/plain"), QByteArray::fromStdString(text));
        clipboard->setMimeData(data, QClipboard::Clipboard);
    }
};

class DesktopLinkOpener final : public LinkOpener {
public:
    void Open(const std::string& link) override
    {
        // The result is not examined: a link nobody can open fails silently.
        QDesktopServices::openUrl(QUrl(FromUtf8(link), QUrl::TolerantMode));
    }
};

class QtFolderBrowser final : public FolderBrowser {
public:
    std::string Browse(WindowHandle owner, const std::string& prompt) override
    {
        return QFileDialog::getExistingDirectory(AsWidget(owner), FromUtf8(prompt), QDir::rootPath()).toStdString();
    }
};

// "description\0patterns\0\0" -> "description (patterns)" entries for Qt.
QString ToQtFilter(const std::string& filter)
{
    QStringList parts;
    std::size_t start = 0;
    while (start < filter.size()) {
        const auto end = filter.find('\0', start);
        const std::string part = filter.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty())
            break;
        parts << FromUtf8(part);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

class QtFileDialogs final : public FileDialogs {
public:
    std::string Open(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                     const std::string& filter, bool fileMustExist) override
    {
        QFileDialog dialog(AsWidget(owner), FromUtf8(title), FromUtf8(initialLocation), ToQtFilter(filter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        return Run(dialog);
    }

    std::string Save(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                     const std::string& filter, bool confirmOverwrite) override
    {
        QFileDialog dialog(AsWidget(owner), FromUtf8(title), FromUtf8(initialLocation), ToQtFilter(filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
        return Run(dialog);
    }

private:
    static std::string Run(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst().toStdString();
    }
};

} // namespace

std::unique_ptr<Clipboard> MakeQtClipboard()
{
    return std::make_unique<QtClipboard>();
}
std::unique_ptr<LinkOpener> MakeDesktopLinkOpener()
{
    return std::make_unique<DesktopLinkOpener>();
}
std::unique_ptr<FolderBrowser> MakeQtFolderBrowser()
{
    return std::make_unique<QtFolderBrowser>();
}
std::unique_ptr<FileDialogs> MakeQtFileDialogs()
{
    return std::make_unique<QtFileDialogs>();
}

} // namespace ze6
