// Placeholder until the editor lands: every Display ends as if cancelled.
#include "ui/editor/frmDAZadaroEdit.h"

namespace ze6 {

class frmDAZadaroEdit::Impl {
public:
    bool cancel = true;
    QStringList sourceFiles;
    QString sourceFolder;
    QString targetFolder;
    std::int32_t keepLast = 0;
    QString caption;
};

frmDAZadaroEdit::frmDAZadaroEdit(QWidget* owner) : m_impl(std::make_unique<Impl>()), m_owner(owner) {}
frmDAZadaroEdit::~frmDAZadaroEdit() = default;
bool frmDAZadaroEdit::Cancel() const { return m_impl->cancel; }
void frmDAZadaroEdit::SetCancel(bool value) { m_impl->cancel = value; }
QStringList& frmDAZadaroEdit::SourceFiles() { return m_impl->sourceFiles; }
QString frmDAZadaroEdit::SourceFolder() const { return m_impl->sourceFolder; }
void frmDAZadaroEdit::SetSourceFolder(const QString& value) { m_impl->sourceFolder = value; }
QString frmDAZadaroEdit::TargetFolder() const { return m_impl->targetFolder; }
void frmDAZadaroEdit::SetTargetFolder(const QString& value) { m_impl->targetFolder = value; }
QString frmDAZadaroEdit::KeepLast() const { return m_impl->keepLast == 0 ? QString() : QString::number(m_impl->keepLast); }
void frmDAZadaroEdit::SetKeepLast(const QString& value) { m_impl->keepLast = value.isEmpty() ? 0 : value.toInt(); }
void frmDAZadaroEdit::SetKeepLast(std::int32_t value) { m_impl->keepLast = value; }
QString frmDAZadaroEdit::FormCaption() const { return m_impl->caption; }
void frmDAZadaroEdit::SetFormCaption(const QString& value) { m_impl->caption = value; }
void frmDAZadaroEdit::Display() { m_impl->cancel = true; }
void frmDAZadaroEdit::Destroy() {}

}  // namespace ze6
