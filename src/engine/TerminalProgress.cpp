#include "engine/TerminalProgress.h"

#include "platform/files/PathText.h"

#include <algorithm>

namespace ze6::modDAZadaro {

namespace {

// Fast enough to look alive, rare enough to cost nothing against the reading.
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);
// Columns of the narrowest usual terminal, less one so that the line never wraps.
constexpr std::size_t kWidth = 79;
// Back to the line's start and clear it.
constexpr const char* kEraseLine = "\r\033[K";

} // namespace

void TerminalProgress::RunStarted()
{
    m_started = Clock::now();
}

void TerminalProgress::DataFilesListed(std::size_t count, std::uint64_t bytes)
{
    m_dataFiles += count;
    m_bytes += bytes;
}

void TerminalProgress::DataFileStarted(const std::string& name, std::uint64_t /*size*/)
{
    m_name = FileSystem::NamePart(name);
    ++m_current;
    Draw();
}

void TerminalProgress::BytesRead(std::uint64_t count)
{
    m_read += count;
    if (Clock::now() - m_drawn >= kRedrawEvery)
        Draw();
}

void TerminalProgress::RunFinished(const RunOutcome& /*outcome*/)
{
    if (!m_shown)
        return;
    std::fputs(kEraseLine, m_terminal);
    std::fflush(m_terminal);
    m_shown = false;
}

void TerminalProgress::Draw()
{
    m_drawn = Clock::now();
    const double seconds = std::chrono::duration<double>(m_drawn - m_started).count();
    // Companions are read too but were not counted in advance.
    const std::uint64_t percent = m_bytes == 0 ? 0 : std::min<std::uint64_t>(100, m_read * 100 / m_bytes);
    char figures[96];
    std::snprintf(figures, sizeof figures, "  %zu of %zu  %3llu%%  %.1f MB/s", m_current,
                  std::max(m_current, m_dataFiles), static_cast<unsigned long long>(percent),
                  seconds > 0 ? static_cast<double>(m_read) / 1e6 / seconds : 0.0);
    const std::string tail = figures;
    std::string name = m_name;
    const std::size_t room = kWidth > tail.size() ? kWidth - tail.size() : 0;
    if (name.size() > room)
        name = room > 3 ? "..." + name.substr(name.size() - (room - 3)) : std::string();
    std::fputs(kEraseLine, m_terminal);
    std::fputs((name + tail).c_str(), m_terminal);
    std::fflush(m_terminal);
    m_shown = true;
}

} // namespace ze6::modDAZadaro
