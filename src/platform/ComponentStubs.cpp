// Placeholders until the real data-file reader, archive writer and log
// component land; each raises so nothing pretends to work.
#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"

namespace ze6 {

std::unique_ptr<LogComponent> MakeFileLogComponent() { Raise(ErrorNumber::PathFileAccessError, "LogComponent"); }

}  // namespace ze6
