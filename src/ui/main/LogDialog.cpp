#include "ui/main/LogDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <sstream>
#include <vector>

namespace ze6 {

namespace {

// A line's time as the log writes it: "[yyyy-mm-dd hh:mm:ss.zzz] ...".
QDateTime LineTime(const std::string& line)
{
    if (line.size() < 25 || line.front() != '[')
        return {};
    return QDateTime::fromString(QString::fromLatin1(line.data() + 1, 23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

} // namespace

std::string LogForReading(const std::string& log, const std::optional<JobRun>& run)
{
    std::vector<std::string> lines;
    std::istringstream input(log);
    for (std::string line; std::getline(input, line);)
        lines.push_back(line);
    std::string text;
    if (run && !run->Clean()) {
        // The log's times are whole milliseconds behind the run's own.
        const QDateTime from = run->start.addSecs(-1), to = run->end.addSecs(1);
        for (const std::string& line : lines) {
            const QDateTime time = LineTime(line);
            if (time.isValid() && time >= from && time <= to)
                text += line + '\n';
        }
        if (!text.empty())
            text += '\n';
    }
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        text += *it + '\n';
    return text;
}

LogDialog::LogDialog(QWidget* parent, const std::string& logPath, const std::optional<JobRun>& run) : QDialog(parent)
{
    setObjectName(QStringLiteral("LogDialog"));
    setWindowTitle(QStringLiteral("Log - ") + QString::fromStdString(logPath));
    QFile file(QString::fromStdString(logPath));
    const QByteArray log = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("txtLog"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(log.isEmpty() ? QStringLiteral("The log is empty.")
                                     : QString::fromStdString(LogForReading(log.toStdString(), run)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(800, 450);
}

} // namespace ze6
