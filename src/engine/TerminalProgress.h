#pragma once

#include "engine/RunProgress.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace ze6::modDAZadaro {

// One line on a terminal that shows how far a command-mode run is: the data
// file, n of N, per cent of the bytes and the speed. It is redrawn in place a
// few times a second and erased when the run ends, so nothing is left
// between the shell's lines.
class TerminalProgress final : public ProgressSink {
public:
    explicit TerminalProgress(std::FILE* terminal) : m_terminal(terminal) {}

    void RunStarted() override;
    void DataFilesListed(std::size_t count, std::uint64_t bytes) override;
    void DataFileStarted(const std::string& name, std::uint64_t size) override;
    void BytesRead(std::uint64_t count) override;
    void RunFinished(const RunOutcome& outcome) override;

private:
    void Draw();

    using Clock = std::chrono::steady_clock;
    std::FILE* m_terminal;
    Clock::time_point m_started;
    Clock::time_point m_drawn;
    std::string m_name;
    std::size_t m_dataFiles = 0;
    std::size_t m_current = 0;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_read = 0;
    bool m_shown = false;
};

} // namespace ze6::modDAZadaro
