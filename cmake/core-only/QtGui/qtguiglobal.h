// Every QtGui header starts by including this one. This stand-in is found
// first by the layers that must stay free of GUI code (platform core,
// diagnostics, engine), so any QtGui or QtWidgets include fails there; GUI
// code belongs in src/platform/desktop or src/ui.
#error "QtGui is not available here: this layer links QtCore only"
