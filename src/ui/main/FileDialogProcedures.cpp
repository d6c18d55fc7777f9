#include "ui/main/FileDialogProcedures.h"

namespace ze6 {

std::string ShowOpenDialog(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                           const std::string& filter, bool fileMustExist)
{
    return GetComponents().CreateFileDialogs()->Open(owner, initialLocation, title, filter, fileMustExist);
}

std::string ShowSaveDialog(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                           const std::string& filter, bool confirmOverwrite)
{
    return GetComponents().CreateFileDialogs()->Save(owner, initialLocation, title, filter, confirmOverwrite);
}

} // namespace ze6
