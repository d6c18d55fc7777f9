// Built by the layers.engine_* tests with the engine's own compile settings.
#include "diagnostics/modDebug.h"
#include "engine/Main.h"
#include "platform/archive/ZipArchiveSink.h"
#include "platform/files/FileSystem.h"

#include <QString>

#if defined(ZE6_WRONG_UI_HEADER)
#include "ui/main/frmDAZadaro.h"
#elif defined(ZE6_WRONG_WIDGET_HEADER)
#include <QtWidgets/QWidget>
#endif
