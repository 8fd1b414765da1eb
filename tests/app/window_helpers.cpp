#include "window_helpers.h"

#include "ui/list_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace morvane::testing {

void When_Shown(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* widget = QApplication::activePopupWidget();
        if (!widget)
            widget = QApplication::activeModalWidget();
        if (widget || ++*tries > 250) {
            timer->stop();
            timer->deleteLater();
            if (!widget)
                ADD_FAILURE() << "nothing was shown";
            act(widget);
        }
    });
    timer->start(20);
}

void Type_And_Return(QFileDialog& dialog, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList Shown_Names(QFileDialog& dialog, int expected)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!model || !view) {
        ADD_FAILURE() << "no list in the file dialog";
        return {};
    }
    const auto names = [&] {
        QStringList out;
        const QModelIndex root = view->rootIndex();
        for (int i = 0; i < view->model()->rowCount(root); ++i) {
            const QModelIndex index = view->model()->index(i, 0, root);
            if ((index.flags() & Qt::ItemIsEnabled) && !model->isDir(index))
                out.append(index.data().toString());
        }
        out.sort();
        return out;
    };
    QElapsedTimer clock;
    clock.start();
    while (names().size() != expected && clock.elapsed() < 5000)
        QTest::qWait(20);
    QTest::qWait(100);   // nothing more arrives
    return names();
}

void Select_Row(List_Widget& list, int row)
{
    list.selectionModel()->select(list.model()->index(row, 0), QItemSelectionModel::Select);
}

QRect Row_Rect(const List_Widget& list, int row)
{
    return list.visualRect(list.model()->index(row, 0));
}

QString Tooltip(const List_Widget& list, int row)
{
    return list.model()->index(row, 0).data(Qt::ToolTipRole).toString();
}

Shown_Window::Shown_Window(const std::string& listing)
{
    recorder.Answer_Listing(listing);
    window = std::make_unique<Main_Window>(desktop, recorder.library);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

void Shown_Window::List_Archive(const QString& path)
{
    window->form().Lzh_Path = path;
    window->form().File_List();
}

QAction* Shown_Window::Action(const char* name) const
{
    return window->findChild<QAction*>(QString::fromUtf8(name));
}

QStringList Shown_Window::Rows() const
{
    QStringList rows;
    for (int i = 0; i < window->list().ListCount(); ++i)
        rows.append(window->list().List(i));
    return rows;
}

QPoint Shown_Window::Row_Point(int row) const
{
    return Row_Rect(window->list(), row).center();
}

}  // namespace morvane::testing
