#include "file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace morvane {

namespace {
// "*.LZH" -> "*.[lL][zZ][hH]": name filters here compare letter case.
QString Any_Case(const QString& pattern)
{
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += u'[' + QString(c.toLower()) + c.toUpper() + u']';
        else
            out += c;
    }
    return out;
}
}  // namespace

QStringList Qt_Name_Filters(const QString& filter)
{
    const QStringList items = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QStringList patterns = items[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = Any_Case(pattern.trimmed());
        filters.append(items[i] + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}

bool Qt_File_Dialog::Run(DialogAction action, const CommonDialog& settings, QString& chosen)
{
    QFileDialog dialog(window_ && window_->isVisible() ? window_ : nullptr, settings.DialogTitle);
    dialog.setObjectName(QStringLiteral("CMDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The pattern part of each filter is ours; the person sees the description.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(action == DialogAction::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // A name that does not exist is accepted in the Open dialog too.
    dialog.setFileMode(QFileDialog::AnyFile);
    const bool ask = action == DialogAction::Save && (settings.Flags & Flag_OverwritePrompt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ask);

    const QStringList filters = Qt_Name_Filters(settings.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (settings.FilterIndex >= 1 && settings.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[settings.FilterIndex - 1]);
    }
    dialog.setDefaultSuffix(settings.DefaultExt);
    if (!settings.InitDir.isEmpty() && QFileInfo(settings.InitDir).isDir())
        dialog.setDirectory(settings.InitDir);
    if (!settings.FileName.isEmpty())
        dialog.selectFile(settings.FileName);

    if (on_show)
        on_show(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().constFirst();
    return true;
}

}  // namespace morvane
