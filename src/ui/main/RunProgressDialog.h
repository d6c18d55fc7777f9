#pragma once

#include "engine/RunProgress.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ze6 {

// The modal dialog that Execute shows while the engine runs on a worker
// thread: the data file being archived, its number among the run's, a bar for
// the bytes and Cancel (also Escape and the title bar's close button). The
// engine reports on its own thread; what it reports is kept under a lock and
// shown a few times a second, so a fast run cannot flood the window's events.
class RunProgressDialog final : public QDialog, public modDAZadaro::ProgressSink {
    Q_OBJECT

public:
    explicit RunProgressDialog(QWidget* parent);

    // Runs `work` on a worker thread and shows the dialog until it returns.
    // Cancel calls `cancel` (on the window's thread) and waits for the end.
    void Run(const std::function<void()>& work, const std::function<void()>& cancel);

    void DataFilesListed(std::size_t count, std::uint64_t bytes) override;
    void DataFileStarted(const std::string& name, std::uint64_t size) override;
    void BytesRead(std::uint64_t count) override;
    // Hands each ended job to `ended` on the window's thread, while the dialog is up.
    void OnJobFinished(std::function<void(const JobRun&)> ended) { m_jobEnded = std::move(ended); }
    void JobFinished(const JobRunList& jobs, std::size_t row) override;

    // Cancels as the Cancel button does.
    void reject() override;

private:
    void Show();

    QLabel* m_lblDataFile;
    QLabel* m_lblCount;
    QProgressBar* m_barBytes;
    QPushButton* m_cmdCancel;
    QTimer m_refresh;
    std::function<void()> m_cancel;
    std::function<void(const JobRun&)> m_jobEnded;
    bool m_finished = false;

    std::mutex m_mutex;
    std::string m_name;
    std::size_t m_dataFiles = 0;
    std::size_t m_current = 0;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_read = 0;
};

} // namespace ze6
