// Built by the layers.platform_core_* tests with the platform core's own
// compile settings.
#include "platform/Components.h"
#include "platform/archive/ZipArchiveSink.h"
#include "platform/files/FileSystem.h"

#include <QString>

#if defined(ZE6_WRONG_DESKTOP_HEADER)
#include "platform/desktop/QtDesktopComponents.h"
#endif
