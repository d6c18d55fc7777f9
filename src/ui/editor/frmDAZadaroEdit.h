#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QDialog;
class QWidget;

namespace ze6 {

// The backup entry editor. The caller creates one object per use, writes
// FormCaption, SourceFolder, TargetFolder, KeepLast and the calendar rules,
// calls Display (modal; returns once the dialog is hidden), reads Cancel and,
// when it is false, SourceFiles, TargetFolder, KeepLast, the calendar rules
// and IfChanged, then calls Destroy.
class frmDAZadaroEdit final {
public:
    explicit frmDAZadaroEdit(QWidget* owner = nullptr);
    ~frmDAZadaroEdit();
    frmDAZadaroEdit(const frmDAZadaroEdit&) = delete;
    frmDAZadaroEdit& operator=(const frmDAZadaroEdit&) = delete;

    bool Cancel() const;
    void SetCancel(bool value);

    // The list object itself; created empty on first read.
    QStringList& SourceFiles();

    QString SourceFolder() const;
    void SetSourceFolder(const QString& value);

    QString TargetFolder() const;
    void SetTargetFolder(const QString& value);

    // "" for 0 (keep all), otherwise the decimal digits.
    QString KeepLast() const;
    void SetKeepLast(const QString& value); // "" stores 0
    void SetKeepLast(std::int32_t value);

    // The calendar rules: each count is 0 when its field is empty (the rule is off).
    enum class Calendar { Daily, Weekly, Monthly, Yearly };
    std::int32_t KeepCalendar(Calendar rule) const;
    void SetKeepCalendar(Calendar rule, std::int32_t count);

    // "Only when changed": a new archive only when the data file or a companion differs.
    bool IfChanged() const;
    void SetIfChanged(bool value);

    QString FormCaption() const;
    void SetFormCaption(const QString& value);

    void Display();
    void Destroy();

    // The dialog window, loading it when needed (tests drive its controls by name).
    QDialog* DialogWidget();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
    QWidget* m_owner;
};

} // namespace ze6
