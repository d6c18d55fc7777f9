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

// Makes the folder `sub` ("jobs/") of the state folder, and keeps the state
// folder private to the user, like the log beside it: what is kept there
// names the user's files. False when it cannot be made.
bool MakeStateFolder(const std::string& sub);

// An exclusive lock on the file `name` ("jobs/.lock") of the state folder,
// made when missing, held until the object goes. Waits for another holder.
class StateFileLock final {
public:
    explicit StateFileLock(const std::string& name);
    ~StateFileLock();
    StateFileLock(const StateFileLock&) = delete;
    StateFileLock& operator=(const StateFileLock&) = delete;

    // Why it is not held; empty when it is.
    const std::string& Failure() const { return m_failure; }

private:
    int m_fd = -1;
    std::string m_failure;
};

} // namespace ze6
