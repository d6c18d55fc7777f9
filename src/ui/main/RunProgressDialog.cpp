#include "ui/main/RunProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

namespace ze6 {

namespace {

constexpr int kBarSteps = 1000;
constexpr std::chrono::milliseconds kRefreshEvery{100};

QString Text(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

RunProgressDialog::RunProgressDialog(QWidget* parent)
    : QDialog(parent), m_lblDataFile(new QLabel(this)), m_lblCount(new QLabel(this)),
      m_barBytes(new QProgressBar(this)), m_cmdCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("RunProgressDialog"));
    setWindowTitle(QStringLiteral("ZE6 Vivevu"));
    setModal(true);
    m_lblDataFile->setObjectName(QStringLiteral("lblDataFile"));
    m_lblDataFile->setTextFormat(Qt::PlainText);
    m_lblDataFile->setMinimumWidth(420);
    m_lblCount->setObjectName(QStringLiteral("lblCount"));
    m_barBytes->setObjectName(QStringLiteral("barBytes"));
    m_barBytes->setRange(0, kBarSteps);
    m_barBytes->setValue(0);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_lblDataFile->setText(QStringLiteral("Starting the backup..."));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblDataFile);
    layout->addWidget(m_lblCount);
    layout->addWidget(m_barBytes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdCancel, &QPushButton::clicked, this, &RunProgressDialog::reject);
    m_refresh.setInterval(kRefreshEvery);
    connect(&m_refresh, &QTimer::timeout, this, &RunProgressDialog::Show);
}

void RunProgressDialog::Run(const std::function<void()>& work, const std::function<void()>& cancel)
{
    m_cancel = cancel;
    std::thread worker([this, &work] {
        work();
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_finished = true;
                accept();
            },
            Qt::QueuedConnection);
    });
    m_refresh.start();
    exec();
    worker.join();
    m_refresh.stop();
}

void RunProgressDialog::JobFinished(const JobRunList& jobs, std::size_t row)
{
    if (m_jobEnded)
        QMetaObject::invokeMethod(this, [this, job = jobs.Run(row)] { m_jobEnded(job); }, Qt::QueuedConnection);
}

void RunProgressDialog::reject()
{
    // The dialog stays until the engine has stopped: what it leaves behind is
    // then known to be cleaned up.
    if (m_finished)
        return QDialog::reject();
    if (m_cancel)
        m_cancel();
    m_cmdCancel->setEnabled(false);
    m_lblCount->setText(QStringLiteral("Cancelling..."));
}

void RunProgressDialog::DataFilesListed(std::size_t count, std::uint64_t bytes)
{
    const std::lock_guard lock(m_mutex);
    m_dataFiles += count;
    m_bytes += bytes;
}

void RunProgressDialog::DataFileStarted(const std::string& name, std::uint64_t /*size*/)
{
    const std::lock_guard lock(m_mutex);
    m_name = name;
    ++m_current;
}

void RunProgressDialog::BytesRead(std::uint64_t count)
{
    const std::lock_guard lock(m_mutex);
    m_read += count;
}

void RunProgressDialog::Show()
{
    const std::lock_guard lock(m_mutex);
    if (m_current == 0)
        return;
    m_lblDataFile->setText(Text(m_name));
    if (m_cmdCancel->isEnabled())
        m_lblCount->setText(QStringLiteral("Data file %1 of %2").arg(m_current).arg(std::max(m_current, m_dataFiles)));
    // Companions are read too but were not counted in advance.
    const std::uint64_t done = m_bytes == 0 ? 0 : std::min<std::uint64_t>(kBarSteps, m_read * kBarSteps / m_bytes);
    m_barBytes->setValue(static_cast<int>(done));
}

} // namespace ze6
