#include "ui/main/ConfigurationDocument.h"

#include "platform/RuntimeError.h"
#include "platform/process/ProcessInfo.h"
#include "platform/process/Version.h"
#include "ui/main/JobFile.h"

namespace ze6 {

namespace {

const std::string kNotSaved = "Your jobs have not been saved; a file already there keeps its previous content.";
const std::string kListUnchanged = "The job list has not been changed.";

PromptRequest FileFailure(const std::string& what, const QString& path, const std::string& why,
                          const std::string& consequence)
{
    return {what + "\r\n" + path.toStdString() + "\r\n\r\n" + why + "\r\n\r\n" + consequence, ExecutableName(),
            PromptButtons::Ok, PromptIcon::Critical};
}

std::string LongestCellText()
{
    return "longer than " + std::to_string(modDAZadaro::kLongestCell) + " bytes, more than any path can be";
}

std::string CellFaultText(modDAZadaro::CellFault fault)
{
    switch (fault) {
    case modDAZadaro::CellFault::QuoteOrLineBreak:
        return "holds a double quote or a line break, which a job line cannot carry";
    case modDAZadaro::CellFault::TooLong:
        return "holds a text " + LongestCellText();
    case modDAZadaro::CellFault::None:
        break;
    }
    return {};
}

// Why `jobs` cannot be written to job lines, or nothing when they can. Rows
// are numbered for the user from firstRow.
std::optional<PromptRequest> UnusableCells(const std::vector<modDAZadaro::Job>& jobs, std::size_t firstRow,
                                           const std::string& what, const std::string& consequence)
{
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const modDAZadaro::CellFault fault = modDAZadaro::CheckJob(jobs[i]);
        if (fault != modDAZadaro::CellFault::None)
            return PromptRequest{what + "\r\n\r\nRow " + std::to_string(firstRow + i) + " " + CellFaultText(fault) +
                                     ".\r\n\r\n" + consequence,
                                 ExecutableName(), PromptButtons::Ok, PromptIcon::Critical};
    }
    return std::nullopt;
}

std::string JoinedNumbers(const std::vector<std::size_t>& numbers)
{
    std::string text;
    for (const std::size_t number : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text;
}

} // namespace

QString ConfigurationDocument::Caption() const
{
    const QString title = QString::fromUtf8(kApplicationTitle);
    return m_currentFile.isEmpty() ? title : title + QStringLiteral(" - ") + m_currentFile;
}

void ConfigurationDocument::RecordFile(const QString& path)
{
    m_currentFile = path;
    m_isDirty = false;
}

ConfigurationDocument::FileOutcome ConfigurationDocument::Load(const QString& path)
{
    const std::string what = "The configuration file could not be read:";
    modDAZadaro::JobFileContent content;
    try {
        content = ReadJobFile(path.toStdString());
    } catch (const RuntimeError& error) {
        return {false, FileFailure(what, path, error.Description(), kListUnchanged)};
    }
    if (content.quoteInPathLine != 0) {
        // Read on, such a line would become another job than the one written.
        return {false, FileFailure(what, path,
                                   "Line " + std::to_string(content.quoteInPathLine) +
                                       " holds more double quotes than a job line can: a path in it contains one.",
                                   kListUnchanged)};
    }
    m_jobs.SetJobs(std::move(content.jobs));
    RecordFile(path);
    if (content.tooLongLines.empty())
        return {true, std::nullopt};
    const bool one = content.tooLongLines.size() == 1;
    return {true, PromptRequest{(one ? "Line " : "Lines ") + JoinedNumbers(content.tooLongLines) + " of\r\n" +
                                    path.toStdString() + "\r\n" + (one ? "was" : "were") + " not loaded: a path in " +
                                    (one ? "it" : "them") + " is " + LongestCellText() + ".",
                                ExecutableName(), PromptButtons::Ok, PromptIcon::Exclamation}};
}

ConfigurationDocument::FileOutcome ConfigurationDocument::Save(const QString& path)
{
    const std::string what = "The configuration file could not be saved:";
    if (auto refused = UnusableCells(Jobs(), 1, what + "\r\n" + path.toStdString(), kNotSaved))
        return {false, std::move(refused)};
    try {
        WriteJobFile(path.toStdString(), Jobs());
    } catch (const FolderNotSynced& error) {
        return {false,
                FileFailure(what, path, "Its folder could not be written to disk: " + error.Description(),
                            "The file may not survive a crash or power failure; your jobs are kept as unsaved.")};
    } catch (const RuntimeError& error) {
        return {false, FileFailure(what, path, error.Description(), kNotSaved)};
    }
    RecordFile(path);
    return {true, std::nullopt};
}

std::optional<PromptRequest> ConfigurationDocument::Add(const std::vector<modDAZadaro::Job>& jobs)
{
    if (auto refused = UnusableCells(jobs, Jobs().size() + 1, "The new entries cannot be added.", kListUnchanged))
        return refused;
    m_jobs.Append(jobs);
    m_isDirty = true;
    return std::nullopt;
}

void ConfigurationDocument::Remove(const std::vector<int>& rows)
{
    if (m_jobs.Count() == 0)
        return;
    m_jobs.RemoveRows(rows);
    m_isDirty = true;
}

} // namespace ze6
