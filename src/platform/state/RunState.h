#pragma once

#include <QDateTime>
#include <optional>
#include <string>

namespace ze6 {

// The outcome of the last command-mode run of one configuration file, kept in
// $XDG_STATE_HOME/ZE6Vivevu/runs/ so that the window can show it.
struct RunRecord {
    QDateTime time;         // local time the run ended
    int entries = 0;        // log entries the run wrote; 0 is a clean run
    std::string firstEntry; // the first of them
};

// Replaces the file's record atomically; false when it could not be written.
bool WriteRunRecord(const std::string& file, const RunRecord& record);
std::optional<RunRecord> ReadRunRecord(const std::string& file);

// "clean" or "<n> entries logged", with the time, for people to read.
std::string DescribeRunRecord(const std::optional<RunRecord>& record);

// The program's own state folder, ending in "/".
std::string StateFolder();

} // namespace ze6
