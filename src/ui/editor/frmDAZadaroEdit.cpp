#include "ui/editor/frmDAZadaroEdit.h"

#include "engine/Job.h"
#include "platform/RuntimeError.h"
#include "ui/editor/EditorDialog.h"
#include "ui/editor/EditorState.h"
#include "ui/editor/EntryValidation.h"

#include <QPointer>

namespace ze6 {

class frmDAZadaroEdit::Impl {
public:
    ~Impl() { Unload(); }

    EditorDialog& Load(QWidget* owner)
    {
        if (m_dialog.isNull()) {
            state.cancel = true;
            m_dialog = new EditorDialog(state, owner);
        }
        return *m_dialog;
    }

    void Unload()
    {
        // The owner window may have taken the dialog with it already.
        delete m_dialog.data();
        m_dialog.clear();
        state = EditorState{};
    }

    EditorState state;

private:
    QPointer<EditorDialog> m_dialog;
};

frmDAZadaroEdit::frmDAZadaroEdit(QWidget* owner) : m_impl(std::make_unique<Impl>()), m_owner(owner)
{
}

frmDAZadaroEdit::~frmDAZadaroEdit() = default;

bool frmDAZadaroEdit::Cancel() const
{
    return m_impl->state.cancel;
}

void frmDAZadaroEdit::SetCancel(bool value)
{
    m_impl->state.cancel = value;
}

QStringList& frmDAZadaroEdit::SourceFiles()
{
    return m_impl->state.sourceFiles;
}

QString frmDAZadaroEdit::SourceFolder() const
{
    return m_impl->state.sourceFolder;
}

void frmDAZadaroEdit::SetSourceFolder(const QString& value)
{
    m_impl->state.sourceFolder = value;
}

QString frmDAZadaroEdit::TargetFolder() const
{
    return m_impl->state.targetFolder;
}

void frmDAZadaroEdit::SetTargetFolder(const QString& value)
{
    m_impl->state.targetFolder = value;
}

QString frmDAZadaroEdit::KeepLast() const
{
    return QString::fromStdString(modDAZadaro::KeepLastText(m_impl->state.keepLast));
}

void frmDAZadaroEdit::SetKeepLast(const QString& value)
{
    // Only "" or a whole number is a valid value here; anything else keeps all generations.
    try {
        m_impl->state.keepLast = modDAZadaro::ReadKeepLast(value.toStdString());
    } catch (const RuntimeError&) {
        m_impl->state.keepLast = 0;
    }
}

void frmDAZadaroEdit::SetKeepLast(std::int32_t value)
{
    m_impl->state.keepLast = value;
}

std::int32_t frmDAZadaroEdit::KeepCalendar(Calendar rule) const
{
    return m_impl->state.keepCalendar.at(static_cast<std::size_t>(rule));
}

void frmDAZadaroEdit::SetKeepCalendar(Calendar rule, std::int32_t count)
{
    m_impl->state.keepCalendar.at(static_cast<std::size_t>(rule)) = count;
}

bool frmDAZadaroEdit::IfChanged() const
{
    return m_impl->state.ifChanged;
}

void frmDAZadaroEdit::SetIfChanged(bool value)
{
    m_impl->state.ifChanged = value;
}

QString frmDAZadaroEdit::FormCaption() const
{
    return m_impl->Load(m_owner).windowTitle();
}

void frmDAZadaroEdit::SetFormCaption(const QString& value)
{
    m_impl->Load(m_owner).setWindowTitle(value);
}

void frmDAZadaroEdit::Display()
{
    m_impl->Load(m_owner).Display();
}

void frmDAZadaroEdit::Destroy()
{
    m_impl->Unload();
}

QDialog* frmDAZadaroEdit::DialogWidget()
{
    return &m_impl->Load(m_owner);
}

} // namespace ze6
