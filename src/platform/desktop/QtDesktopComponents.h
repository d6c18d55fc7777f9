#pragma once

namespace ze6 {

// Installs the widget-based components (message-box prompt, folder browser,
// file dialogs, clipboard, link opener) in the Components factory. Every
// program that may show a window or a box calls it once at start-up.
void UseQtDesktopComponents();

} // namespace ze6
