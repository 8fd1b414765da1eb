#include "main_window.h"

#include "list_widget.h"
#include "routing.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>

namespace morvane {

namespace {
// Design-time places, in twips: the window's outer rectangle, then the
// controls within its client area.
constexpr int Form_Left = 1188, Form_Top = 3132, Form_Width = 6240, Form_Height = 4428;
constexpr int Label_Left = 48, Label_Top = 144, Label_Width = 6108, Label_Height = 204;
constexpr int List_Left = 48, List_Top = 336, List_Width = 6108, List_Height = 3444;

double Screen_Dpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}
}  // namespace

QFont Window_Font()
{
    // Each by both its names: under a Japanese locale the font database
    // lists the Japanese one ("IPAゴシック"), elsewhere the English one.
    const QStringList families = QFontDatabase::families();
    for (const char16_t* family : {u"ＭＳ ゴシック", u"MS Gothic", u"IPAゴシック", u"IPAGothic"}) {
        if (families.contains(QString::fromUtf16(family)))
            return QFont(QString::fromUtf16(family), 9, QFont::Normal);
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    return font;
}

Main_Window::Main_Window(Desktop& desktop, const UnlhaLibrary& library)
    : twips_(Screen_Dpi()),
      label_(nullptr),
      list_(nullptr),
      label_control_(nullptr),
      frame_(this, twips_),
      dialogs_(this),
      messages_(this),
      progress_(this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(text::Version);
    setWindowIcon(QIcon(QStringLiteral(":/morvane/morvane.png")));
    setFont(Window_Font());

    auto* client = new QWidget(this);
    setCentralWidget(client);
    label_ = new Heading_Label(QStringLiteral("Label1"), client);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setGeometry(twips_.To_Px(Label_Left), twips_.To_Px(Label_Top), twips_.To_Px(Label_Width),
                        twips_.To_Px(Label_Height));
    list_ = new List_Widget(client, twips_);
    list_->setGeometry(twips_.To_Px(List_Left), twips_.To_Px(List_Top), twips_.To_Px(List_Width),
                       twips_.To_Px(List_Height));
    label_->Follow(*list_);
    label_control_ = Qt_Label(label_);

    Build_Menus();
    popup_ = std::make_unique<Qt_Popup>(menus_.value(QStringLiteral("POPUP")));

    form_ = std::make_unique<Form1>(Form1_Parts{*list_, label_control_, frame_, dialogs_, messages_, pointer_,
                                                *popup_, progress_, clipboard_, desktop, library});
    list_->on_mouse_down = [this](int button) { Fire("List1_MouseDown", button); };
    list_->on_double_click = [this] { Fire("List1_DblClick"); };

    move(twips_.To_Px(Form_Left), twips_.To_Px(Form_Top));
    resize(twips_.To_Px(Form_Width), twips_.To_Px(Form_Height));
}

Main_Window::~Main_Window() = default;

void Main_Window::Build_Menus()
{
    for (const Menu_Entry& entry : Menus()) {
        const QString name = QString::fromUtf8(entry.name);
        const QString caption = QString::fromUtf8(entry.caption);
        if (!entry.parent) {
            QMenu* menu = menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name);
            menu->menuAction()->setVisible(entry.visible);
            menus_.insert(name, menu);
            continue;
        }
        QMenu* parent = menus_.value(QString::fromUtf8(entry.parent));
        QAction* action = caption == u"-" ? parent->addSeparator() : parent->addAction(caption);
        action->setObjectName(name);
        action->setVisible(entry.visible);
        const char* event = entry.name;
        connect(action, &QAction::triggered, this, [this, event] { Fire(event); });
    }
}

void Main_Window::Fire(const char* event, int arg)
{
    if (form_)
        Route_Event(*form_, event, arg);
}

void Main_Window::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Fire("Form_Resize");
}

void Main_Window::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    // The design-time size is the outer size: take off what a window manager adds.
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() > 0 || frame.height() > 0)
        resize(size() - frame);
}

}  // namespace morvane
