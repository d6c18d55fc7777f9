#include "platform/RuntimeError.h"

#include <cerrno>

namespace ze6 {

RuntimeError::RuntimeError(std::int32_t number, const std::string& description, std::string source,
                           const std::string& path)
    : std::runtime_error(path.empty() ? description : description + ": " + path), m_number(number),
      m_description(what()), m_source(std::move(source)), m_path(path)
{
}

RuntimeError RuntimeError::About(const std::string& path, const std::string& source) const
{
    const std::string bare =
        m_path.empty() ? m_description : m_description.substr(0, m_description.size() - m_path.size() - 2);
    return RuntimeError(m_number, bare, source, path);
}

std::string DescribeErrorNumber(std::int32_t number)
{
    switch (number) {
    case 5:
        return "Invalid procedure call or argument";
    case ErrorNumber::Overflow:
        return "Overflow";
    case 7:
        return "Out of memory";
    case ErrorNumber::UserInterrupt:
        return "User interrupt occurred";
    case ErrorNumber::BadFileName:
        return "Bad file name or number";
    case ErrorNumber::FileNotFound:
        return "File not found";
    case ErrorNumber::FileAlreadyOpen:
        return "File already open";
    case ErrorNumber::DeviceIoError:
        return "Device I/O error";
    case ErrorNumber::FileAlreadyExists:
        return "File already exists";
    case ErrorNumber::DiskFull:
        return "Disk full";
    case ErrorNumber::PermissionDenied:
        return "Permission denied";
    case ErrorNumber::PathFileAccessError:
        return "Path/File access error";
    case ErrorNumber::PathNotFound:
        return "Path not found";
    default:
        return "Application-defined or object-defined error";
    }
}

RuntimeError ErrorFromErrno(int errnoValue, const std::string& source, const std::string& path)
{
    std::int32_t number = ErrorNumber::PathFileAccessError;
    switch (errnoValue) {
    case ENOENT:
        number = ErrorNumber::FileNotFound;
        break;
    case ENOTDIR:
        number = ErrorNumber::PathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        number = ErrorNumber::PermissionDenied;
        break;
    case EEXIST:
        number = ErrorNumber::FileAlreadyExists;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        number = ErrorNumber::DiskFull;
        break;
    case EIO:
        number = ErrorNumber::DeviceIoError;
        break;
    case ENAMETOOLONG:
    case EINVAL:
        number = ErrorNumber::BadFileName;
        break;
    case EBUSY:
    case ETXTBSY:
        number = ErrorNumber::FileAlreadyOpen;
        break;
    default:
        break;
    }
    return RuntimeError(number, DescribeErrorNumber(number), source, path);
}

RuntimeError WithPath(const RuntimeError& error, const std::string& path)
{
    if (!error.Path().empty())
        return error;
    return RuntimeError(error.Number(), error.Description(), error.Source(), path);
}

void Raise(std::int32_t number, const std::string& source, const std::string& path)
{
    throw RuntimeError(number, DescribeErrorNumber(number), source, path);
}

} // namespace ze6
