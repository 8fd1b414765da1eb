#include "file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>

namespace morvane {

namespace {
// "*.LZH" -> "*.[lL][zZ][hH]": name filters here compare letter case. "*.*"
// is every file, as on the platform the filters were written for: Qt's
// "*.*" would leave out names without a dot.
QString Any_Case(const QString& pattern)
{
    if (pattern == u"*.*")
        return QStringLiteral("*");
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += u'[' + QString(c.toLower()) + c.toUpper() + u']';
        else
            out += c;
    }
    return out;
}

QStringList Patterns(const QString& list)
{
    QStringList patterns = list.split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
        pattern = Any_Case(pattern.trimmed());
    return patterns;
}

bool Is_Wildcard(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

// A name with "*" or "?" in it is a filter, as in a common dialog: the
// dialog shows the files it matches (in the folder typed before it, if any)
// and stays open. Such a name is never confirmed.
class Common_File_Dialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text().trimmed() : QString();
        if (Is_Wildcard(typed)) {
            Show_Matching(typed);
            return;
        }
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && Is_Wildcard(QFileInfo(files.constFirst()).fileName()))
            return;
        QFileDialog::accept();
    }

private:
    void Show_Matching(const QString& typed)
    {
        const qsizetype slash = typed.lastIndexOf(u'/');
        if (slash >= 0) {
            const QString folder = typed.left(slash + 1);
            const QString where = QDir::isAbsolutePath(folder) ? folder : directory().filePath(folder);
            if (!QFileInfo(where).isDir())
                return;
            setDirectory(where);
        }
        if (auto* model = findChild<QFileSystemModel*>())
            model->setNameFilters(Patterns(typed.mid(slash + 1)));
        if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(typed.mid(slash + 1));
    }
};
}  // namespace

QStringList Qt_Name_Filters(const QString& filter)
{
    const QStringList items = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        filters.append(items[i] + QStringLiteral(" (") + Patterns(items[i + 1]).join(u' ') + u')');
    return filters;
}

bool Qt_File_Dialog::Run(DialogAction action, const CommonDialog& settings, QString& chosen)
{
    Common_File_Dialog dialog(window_ && window_->isVisible() ? window_ : nullptr, settings.DialogTitle);
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
