// A job line as a configuration file or the command line gives it: parsed,
// its source classified and its KEEPLAST number read. Only Overflow may be raised.
// The same bytes, cut at NULs into three cells, make a job that the window
// writes and reads back unchanged and that the runner reads as the window meant.
#include "engine/Job.h"
#include "engine/LeadingNumber.h"
#include "engine/PathOperations.h"
#include "platform/RuntimeError.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace {

using namespace ze6::modDAZadaro;

// The count cell is read as the window reads it.
Job CellsOf(std::string_view text)
{
    std::string cells[3];
    for (int i = 0; i < 3 && !text.empty(); ++i) {
        const auto cut = i < 2 ? text.find('\0') : std::string_view::npos;
        cells[i] = std::string(text.substr(0, cut));
        text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    }
    return {cells[0], cells[1], {ReadKeepLast(cells[2])}};
}

void CheckRoundTrip(std::string_view text)
{
    Job row;
    try {
        row = CellsOf(text);
    } catch (const ze6::RuntimeError&) {
        return;
    }
    const std::int32_t keepLast = row.Retention.KeepLastCount;
    if (CheckJob(row) != CellFault::None)
        return;

    std::istringstream file(FormatJobFile({row}));
    const JobFileContent read = ParseJobFile(file);
    if (read.jobs.size() != 1 || read.jobs[0] != row || read.quoteInPathLine != 0 || !read.tooLongLines.empty())
        std::abort();

    const auto parsed = ParseJobLine(GetCommandLine(row));
    const auto* job = std::get_if<Job>(&parsed);
    if (job == nullptr || job->Source != TrimBlanks(row.Source) || job->Target != TrimBlanks(row.Target) ||
        job->Retention.KeepLastCount != (keepLast < 0 ? 0 : keepLast))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto parsed = ParseJobLine(text);
        if (const auto* job = std::get_if<Job>(&parsed)) {
            ClassifySource(job->Source);
            if (job->Retention.KeepLastCount < 0)
                std::abort();
        }
    } catch (const ze6::RuntimeError& error) {
        if (error.Number() != 6)
            std::abort();
    }
    (void)ReadLeadingNumber(text);
    CheckRoundTrip(text);
    return 0;
}
