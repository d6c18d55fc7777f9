#include "engine/ConfigLineReader.h"

#include "platform/RuntimeError.h"

#include <cerrno>
#include <ios>
#include <system_error>

namespace ze6::modDAZadaro {

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
        const bool fromSystem =
            failure.code().category() == std::generic_category() || failure.code().category() == std::system_category();
        throw ErrorFromErrno(fromSystem && failure.code().value() != 0 ? failure.code().value() : EIO,
                             kProgramErrorSource);
    }
}

} // namespace ze6::modDAZadaro
