#include "engine/ConfigFile.h"

#include "engine/ErrorHandler.h"
#include "engine/JobLine.h"
#include "engine/PathOperations.h"
#include "platform/FileSystem.h"
#include "platform/RuntimeError.h"

#include <cerrno>
#include <fstream>
#include <ios>
#include <system_error>

namespace ze6::modDAZadaro {

namespace {

[[noreturn]] void RaiseReadError(int errnoValue)
{
    throw ErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, kProgramErrorSource);
}

} // namespace

bool ConfigLineReader::Next(std::string& line)
{
    line.clear();
    std::streambuf* buffer = m_input.rdbuf();
    if (buffer == nullptr)
        return false;
    using Traits = std::streambuf::traits_type;
    try {
        int c = buffer->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()))
            return false;
        for (; !Traits::eq_int_type(c, Traits::eof()); c = buffer->sbumpc()) {
            if (c == '\n')
                return true;
            if (c == '\r') {
                if (buffer->sgetc() == '\n')
                    buffer->sbumpc();
                return true;
            }
            line += Traits::to_char_type(c);
        }
        return true;
    } catch (const std::ios_base::failure& failure) {
        // The file buffer reports a failed read with the system's error code.
        RaiseReadError(failure.code().category() == std::generic_category() ||
                               failure.code().category() == std::system_category()
                           ? failure.code().value()
                           : EIO);
    }
}

void ProcessFile(std::string path)
{
    RunWithErrorHandler("ProcessFile", [&] {
        // The existence test ignores letter case, so the file is opened under
        // the spelling found on disk.
        const auto found = FileSystem::ResolvePath(path);
        errno = 0;
        std::ifstream file(found ? *found : path, std::ios::in | std::ios::binary);
        if (!file.is_open())
            RaiseReadError(errno);

        // One line at a time: each job runs to its end before the next line is read.
        ConfigLineReader reader(file);
        std::string line;
        while (reader.Next(line)) {
            std::string job = TrimBlanks(line);
            if (!job.empty())
                ProcessCommandLine(std::move(job));
        }
    });
}

} // namespace ze6::modDAZadaro
