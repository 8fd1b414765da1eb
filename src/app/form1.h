// Form1: Morvane's one window.
//
//   Form1         the window-level variables (Lzh_Path, Buf_Out, Buf_Size,
//                 Arg_Word, Tmp_Text, Txt_Viewer), the controls, and every event
//                 and command procedure. Each procedure is defined in the folder
//                 of its subsystem:
//                   app/         Form_Load, Arg_Split, File_Add, Form_Resize,
//                                List1_MouseDown, END_Click, copy_Click
//                   archiver/    Unlha, Dlg_Save; Path_Dir, Path_StripSep (path.h);
//                                the command texts (command_text.h)
//                   listing/     OPEN_Click, File_List, List_Fill (listing_parser.h)
//                   operations/  File_Free, File_AllFree, File_Read, File_Del, File_Exe;
//                                Read_Folder, File_Read's folder of its own under TMP
//   controls.h    ListBox, Label, WindowFrame, MessageBox, MousePointer, PopupMenu,
//                 ProgressWindow, Clipboard: what the procedures see of the window. src/ui
//                 implements them with widgets, the tests with scripted fakes.
//   CommonDialog  CMDialog1, the file-dialog component: its properties persist
//                 between dialogs; a FileDialogHost (src/ui: QFileDialog) shows them.
//   Desktop       arguments, current folder, environment, program association and
//                 program start (src/os).
//   UnlhaLibrary  the archiver library, loaded at run time.
//
// Data flow: src/ui's routing table turns a menu click or list event into one
// procedure call. The procedure reads the window-level variables and the
// controls, builds a command text, and calls Unlha(), which hands the text and
// Buf_Out to the library and stores the library's text back into Buf_Out.
// File_List's "l" text goes through List_Fill into List1's rows; each member
// row carries its whole stored path, and the member commands name members by it.
//
// Everything here depends on QtCore only.
#pragma once

#include "common_dialog.h"
#include "controls.h"
#include "desktop.h"
#include "operations/read_folder.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct UnlhaProgress;

namespace morvane {

class UnlhaLibrary;

// What the window is made of. Everything referred to outlives the Form1.
struct Form1_Parts {
    ListBox& List1;
    Label& Label1;
    WindowFrame& window;
    FileDialogHost& dialogs;
    MessageBox& messages;
    MousePointer& pointer;
    PopupMenu& popup;
    ProgressWindow& progress;
    Clipboard& clipboard;
    Desktop& desktop;
    const UnlhaLibrary& library;
};

inline constexpr int Buf_Chars = 20000;   // Buf_Out's size, and Buf_Size for every command

class Form1 {
public:
    explicit Form1(const Form1_Parts& parts);

    // ---- window-level variables
    QString Lzh_Path;
    QString Buf_Out;          // the last Unlha text, padded with blanks to at least Buf_Chars
    int Buf_Size = 0;         // bytes offered to the library; 0 until a command sets it
    QStringList Arg_Word;     // the command-line words in entries 1..n; entry 0 unused
    QString Tmp_Text;
    QString Txt_Viewer;

    // ---- controls
    ListBox& List1;
    Label& Label1;
    CommonDialog CMDialog1;

    // ---- app/: start-up, the command line, layout, exit
    void Form_Load();
    int Arg_Split(const QString& text);
    void File_Add(int n);
    void Form_Resize();
    void List1_MouseDown(int button);
    void END_Click();
    void copy_Click();

    // ---- archiver/
    int Unlha(const QString& command);
    QString Dlg_Save(const QString& FileName, const QString& Filter, const QString& InitDir,
                     const QString& Title);

    // ---- listing/
    void OPEN_Click();
    void File_List();
    void List_Fill();

    // ---- operations/
    void File_Free();
    void File_AllFree();
    void File_Read();
    void File_Del();
    void File_Exe();

private:
    void Err();                                    // the "err" message box
    void Clear_Buf_Out();
    void Begin_Command();                          // Buf_Size, Buf_Out cleared, busy pointer
    void End_Command();                            // the default pointer again
    bool Run(const std::optional<QString>& command);   // Unlha, or "err"; true on success
    std::vector<int> Selected_Members() const;     // selected rows but the summary row
    QString Member_Name(int row) const;            // the member's whole stored path
    QStringList Member_Names() const;             // of every member row, in row order
    QString Find_Text_Viewer(const QString& folder);
    static int Progress_Of(void* window, const UnlhaProgress* progress, void* form);
    // One progress window over a command's calls, one call per member:
    // begun before the first, told of each member before its call (false
    // once the person asked to stop: call no further member), ended after
    // the last. Without it each call has a window of its own. `name` is
    // the member (or file) as a person reads it.
    void Begin_Progress(const QString& what, const QString& archive);
    bool Next_Member(int k, int n, const QString& name);
    void End_Progress();
    bool Is_Lzh_Archive(const QString& path) const;   // an existing file the library lists

    WindowFrame& window_;
    MessageBox& messages_;
    MousePointer& pointer_;
    PopupMenu& popup_;
    ProgressWindow& progress_;
    Clipboard& clipboard_;
    Desktop& desktop_;
    const UnlhaLibrary& library_;
    Read_Folder read_folder_;   // File_Read's private folder under TMP
    bool command_progress_ = false;   // a command's one progress window is open
    bool stop_asked_ = false;         // the person asked to stop the work under way
};

// The column heading that start-up writes into Label1 (42 characters).
QString Column_Heading();

// One argument string from the program's arguments: joined by one blank, an
// argument that holds a blank or a double quote, or is empty, in double quotes
// with each of its own double quotes doubled. Arg_Split gives every argument
// back as one word, unchanged.
QString Arg_Join(const QStringList& arguments);

// Captions, titles, filters and messages.
namespace text {
inline const QString Version = QStringLiteral("Morvane 32bit Ver.97.08");
inline const QString Err = QStringLiteral("err");
inline const QString Filter_Lzh = QStringLiteral("Lhaﾌｧｲﾙ (*.LZH)|*.LZH|全てのﾌｧｲﾙ(*.*)|*.*|");
inline const QString Filter_All = QStringLiteral("全てのﾌｧｲﾙ(*.*)|*.*|");
inline const QString Filter_Exe = QStringLiteral("EXEファイル(*.EXE)|*.EXE|全てのﾌｧｲﾙ(*.*)|*.*|");
inline const QString Title_Open = QStringLiteral("Lhaﾌｧｲﾙを読込み");
inline const QString Title_Add = QStringLiteral("Lhaﾌｧｲﾙに書込み");
inline const QString Title_Extract = QStringLiteral("Lha ファイル解凍");
inline const QString Title_Exe = QStringLiteral("実行ファイル作製");
inline const QString No_Library = QStringLiteral("アーカイバ ライブラリを読み込めません。\n%1");
inline const QString No_Viewer = QStringLiteral("テキスト表示プログラムを起動できません。\n%1");
// The progress window's title: the application's, what it does, the archive.
inline const QString Progress_Title = QStringLiteral("MORVANE - %1 - %2");
// What the work is, in the words of the menus and dialogs that start it.
inline const QString Doing_List = QStringLiteral("読込み");
inline const QString Doing_Extract = QStringLiteral("解凍");
inline const QString Doing_Delete = QStringLiteral("削除");
inline const QString Doing_Read = QStringLiteral("ﾃｷｽﾄ読込");
inline const QString Doing_Add = QStringLiteral("書込み");
inline const QString Doing_Exe = QStringLiteral("実行ファイル作製");
}  // namespace text

// "MORVANE - what - the archive's file name".
QString Progress_Title(const QString& what, const QString& archive);

}  // namespace morvane
