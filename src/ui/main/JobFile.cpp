#include "ui/main/JobFile.h"

#include "platform/RuntimeError.h"
#include "ui/main/JobFileFormat.h"

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

std::vector<JobRow> ReadJobFile(const std::string& path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileError(file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileError(file);
    std::istringstream input(bytes.toStdString());
    return ParseJobFile(input);
}

void WriteJobFile(const std::string& path, const std::vector<JobRow>& rows)
{
    const std::string content = FormatJobFile(rows);
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
    if (!file.commit())
        RaiseFileError(file);
}

} // namespace ze6
