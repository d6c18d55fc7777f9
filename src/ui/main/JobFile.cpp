#include "ui/main/JobFile.h"

#include "platform/files/FileSystem.h"

#include <QFile>
#include <QSaveFile>
#include <sstream>

namespace ze6 {

namespace {

[[noreturn]] void RaiseFileError(const QFileDevice& file)
{
    const std::int32_t number = file.error() == QFileDevice::ReadError || file.error() == QFileDevice::WriteError
                                    ? ErrorNumber::DeviceIoError
                                    : ErrorNumber::PathFileAccessError;
    throw RuntimeError(number, file.errorString().toStdString(), kProgramErrorSource);
}

} // namespace

modDAZadaro::JobFileContent ReadJobFile(const std::string& path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileError(file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileError(file);
    std::istringstream input(bytes.toStdString());
    return modDAZadaro::ParseJobFile(input);
}

void WriteJobFile(const std::string& path, const std::vector<modDAZadaro::Job>& jobs)
{
    const std::string content = modDAZadaro::FormatJobFile(jobs);
    QSaveFile file(QString::fromUtf8(path));
    // Unbuffered: buffered data reaches the disk only inside commit(), which
    // then replaces the old file with a short or empty one when the disk
    // fills up instead of failing.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        RaiseFileError(file);
    // A short write leaves the reason unset; the next attempt fails with it.
    for (qint64 written = 0; written < static_cast<qint64>(content.size());) {
        const qint64 count = file.write(content.data() + written, static_cast<qint64>(content.size()) - written);
        if (count <= 0)
            RaiseFileError(file);
        written += count;
    }
    // The file's own data is synced by commit(); its new name lives in the folder.
    if (!file.commit())
        RaiseFileError(file);
    try {
        FileSystem::SyncFolderOf(path);
    } catch (const RuntimeError& error) {
        throw FolderNotSynced(error);
    }
}

} // namespace ze6
