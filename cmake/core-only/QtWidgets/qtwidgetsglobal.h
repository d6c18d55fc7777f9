// Every QtWidgets header starts by including this one; see ../QtGui/qtguiglobal.h.
#error "QtWidgets is not available here: this layer links QtCore only"
