#pragma once

#include "platform/state/JobRecords.h"

#include <QDialog>
#include <optional>
#include <string>

namespace ze6 {

// The application log's lines for reading: those written during `run` (a
// row's last run) first, then the whole log newest first.
std::string LogForReading(const std::string& log, const std::optional<JobRun>& run);

// Edit ▸ Show Log: the application log, read-only.
class LogDialog final : public QDialog {
    Q_OBJECT

public:
    LogDialog(QWidget* parent, const std::string& logPath, const std::optional<JobRun>& run);
};

} // namespace ze6
