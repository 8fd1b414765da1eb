#include "file_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>

#include <algorithm>

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

// Qt 6.4 asks its translations for the type of a folder ("Folder"), a drive
// and so on under a context its Japanese translation does not have yet; the
// translation has them under the dialog's own context, where earlier Qt
// versions looked. A file's type comes from the MIME database, translated.
class Translated_Types : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override
    {
        const QString type = QFileIconProvider::type(info);
        for (const char* untranslated : {"Folder", "Drive", "Shortcut", "Unknown"}) {
            if (type == QLatin1String(untranslated))
                return QCoreApplication::translate("QFileDialog", untranslated);
        }
        return type;
    }
};

// Wide enough for the detail columns, a name and the places beside them,
// in the dialog's font, as far as the screen has room.
QSize Readable_Size(const QWidget& dialog)
{
    const QFontMetrics metrics = dialog.fontMetrics();
    QSize size(metrics.averageCharWidth() * 130, metrics.height() * 30);
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    return size.expandedTo(dialog.size());
}

// The size, type and date columns as wide as what they show, the name
// column what is left, the places as wide as their names: once the folder
// has been read, and again whenever another one is.
void Fit_Columns(QFileDialog& dialog)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!model || !details)
        return;
    details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    const auto fit = [details, &dialog] {
        auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
        auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        if (places && splitter && splitter->count() == 2) {
            const int wanted = places->sizeHintForColumn(0) + 2 * places->frameWidth() + 4;
            const QList<int> sizes = splitter->sizes();
            if (sizes.value(0) < wanted && sizes.value(1) > 2 * wanted)
                splitter->setSizes({wanted, sizes.value(0) + sizes.value(1) - wanted});
        }
        for (int column = 1; column < details->header()->count(); ++column)
            details->resizeColumnToContents(column);
    };
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, fit);
}

// A name with "*" or "?" in it is a filter, as in a common dialog: the
// dialog shows the files it matches (in the folder typed before it, if any)
// and stays open. Such a name is never confirmed.
class Common_File_Dialog : public QFileDialog {
public:
    Common_File_Dialog(QWidget* parent, const QString& title) : QFileDialog(parent, title)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setIconProvider(&types_);
        resize(Readable_Size(*this));
        Fit_Columns(*this);
    }

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
    Translated_Types types_;

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
