#include "ui/main/DryRunDialog.h"

#include "ui/main/JobListModel.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <utility>

namespace ze6 {

namespace {

// A deletion keeps the word it starts with in the printed listing, so it is
// told apart without its colour too.
constexpr std::string_view kDeleteWord = "delete\t";

QString Summary(const modDAZadaro::DryRunListing& listing)
{
    if (listing.dataFiles.empty() && listing.problems.empty())
        return QStringLiteral("The selected jobs find no data files. Nothing has been changed.");
    std::size_t written = 0, deleted = 0;
    for (const auto& planned : listing.dataFiles) {
        written += planned.writesArchive ? 1 : 0;
        for (const auto& archive : planned.archives)
            deleted += archive.keep ? 0 : 1;
    }
    const auto plural = [](std::size_t n, const char* one, const char* many) {
        return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
    };
    QString text = QStringLiteral("A run would write ") + plural(written, "archive", "archives") +
                   QStringLiteral(" and delete ") + plural(deleted, "archive", "archives");
    if (!listing.problems.empty())
        text += QStringLiteral(", and log ") + plural(listing.problems.size(), "problem", "problems");
    return text + QStringLiteral(". Nothing has been changed.");
}

} // namespace

DryRunDialog::DryRunDialog(const modDAZadaro::DryRunListing& listing, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("DryRunDialog"));
    setWindowTitle(QStringLiteral("Dry Run"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* lblSummary = new QLabel(Summary(listing), this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    layout->addWidget(lblSummary);

    m_txtListing = new QTextEdit(this);
    m_txtListing->setObjectName(QStringLiteral("txtListing"));
    m_txtListing->setReadOnly(true);
    m_txtListing->setLineWrapMode(QTextEdit::NoWrap);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_txtListing->setFont(fixed);
    m_txtListing->setTabStopDistance(QFontMetricsF(fixed).horizontalAdvance(QLatin1Char(' ')) * 10);

    QTextCharFormat plain;
    QTextCharFormat deletion;
    deletion.setFontWeight(QFont::Bold);
    deletion.setForeground(QColor(0xB0, 0x00, 0x00));
    QTextCharFormat problem;
    problem.setForeground(QColor(0x90, 0x50, 0x00));
    QTextCursor cursor(m_txtListing->document());
    bool first = true;
    const auto addLine = [&](const std::string& line, const QTextCharFormat& format) {
        if (!std::exchange(first, false))
            cursor.insertBlock();
        cursor.insertText(ReadableText(line), format);
    };
    const std::string text = modDAZadaro::DryRunText(listing);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        addLine(line, line.starts_with(kDeleteWord) ? deletion : plain);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    if (!listing.problems.empty()) {
        if (!first)
            addLine({}, plain);
        addLine("A run would log:", plain);
        for (const auto& entry : listing.problems)
            addLine(entry.path + ": " + entry.reason, problem);
    }
    m_txtListing->moveCursor(QTextCursor::Start);
    layout->addWidget(m_txtListing, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 420);
}

void DryRunDialog::Show(const modDAZadaro::DryRunListing& listing, QWidget* owner)
{
    DryRunDialog dialog(listing, owner);
    dialog.exec();
}

} // namespace ze6
