// Scripted stand-ins for everything Form1 touches: the person (dialog answers,
// message boxes), the widgets, the desktop, and a recording archiver library.
// All of them write into one event log, so a test can check the order of
// what a procedure did ("dialog Save", "pointer 11", "unlha x -c ...", "msg err").
#pragma once

#include "app/form1.h"
#include "archiver/unlha_library.h"

#include <QMap>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace morvane::testing {

using Log = std::vector<std::string>;

struct Fake_List : ListBox {
    struct Row { QString text, path; bool selected = false; };
    std::vector<Row> rows;
    int width = 0, height = 0;

    int ListCount() const override { return int(rows.size()); }
    QString List(int i) const override { return rows.at(i).text; }
    QString ItemPath(int i) const override { return rows.at(i).path; }
    bool Selected(int i) const override { return rows.at(i).selected; }
    void AddItem(const QString& text, const QString& path) override { rows.push_back({text, path}); }
    void AddItems(std::vector<List_Row> more) override
    {
        for (List_Row& r : more)
            rows.push_back({std::move(r.text), std::move(r.path)});
        ++bulk_adds;
    }
    int bulk_adds = 0;
    void RemoveItem(int i) override { rows.erase(rows.begin() + i); }
    void Clear() override { rows.clear(); }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetSize(int w, int h) override { width = w; height = h; }

    void Select(std::initializer_list<int> indices) { for (int i : indices) rows.at(i).selected = true; }
    QStringList Texts() const;
};

struct Fake_Label : Label {
    explicit Fake_Label(Log& log) : log(log) {}
    Log& log;
    QString caption = QStringLiteral("Label1");
    QString Caption() const override { return caption; }
    void SetCaption(const QString& c) override { caption = c; log.push_back("label " + c.toStdString()); }
};

struct Fake_Window : WindowFrame {
    QString caption = text::Version;
    int width = 6240, height = 4428;
    bool unloaded = false;
    QString Caption() const override { return caption; }
    void SetCaption(const QString& c) override { caption = c; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void* Handle() const override { return nullptr; }
    void Unload() override { unloaded = true; }
};

// Answers dialogs from a script; a dialog nobody scripted fails the test.
struct Fake_Dialogs : FileDialogHost {
    struct Answer { bool confirm; QString path; };
    struct Shown { DialogAction action; QString FileName, Filter, DefaultExt, InitDir, DialogTitle; int FilterIndex, Flags; bool CancelError; };
    explicit Fake_Dialogs(Log& log) : log(log) {}
    Log& log;
    std::deque<Answer> answers;
    std::vector<Shown> shown;
    bool Run(DialogAction action, const CommonDialog& d, QString& chosen) override;
    void Confirm(const QString& path) { answers.push_back({true, path}); }
    void Cancel() { answers.push_back({false, {}}); }
};

struct Fake_Messages : MessageBox {
    explicit Fake_Messages(Log& log) : log(log) {}
    Log& log;
    QStringList texts;
    void Show(const QString& text) override;
};

struct Fake_Pointer : MousePointer {
    explicit Fake_Pointer(Log& log) : log(log) {}
    Log& log;
    PointerShape shape = Pointer_Default;
    void Set(PointerShape s) override;
};

struct Fake_Popup : PopupMenu {
    explicit Fake_Popup(Log& log) : log(log) {}
    Log& log;
    std::function<void()> choose;   // what the person picks while it is open
    void Show() override;
};

struct Fake_Clipboard : Clipboard {
    QString text;
    int sets = 0;
    void SetText(const QString& t) override { text = t; ++sets; }
};

struct Fake_Desktop : Desktop {
    explicit Fake_Desktop(Log& log) : log(log) {}
    Log& log;
    QStringList arguments;
    QString folder;
    QMap<QString, QString> environment;
    QString associated = QStringLiteral("/usr/bin/fake-viewer");   // what FindExecutable finds; "" nothing
    QString text_program = QStringLiteral("/usr/bin/generic-viewer");
    bool start_works = true;
    struct Lookup { QString file, folder; bool existed; QByteArray content; };
    std::vector<Lookup> lookups;
    struct Start { QString program; QStringList arguments; };
    std::vector<Start> started;

    QStringList Arguments() const override { log.push_back("arguments"); return arguments; }
    QString Current_Folder() const override { log.push_back("folder"); return folder; }
    QString Environment(const QString& name) const override
    {
        log.push_back("env " + name.toStdString());
        return environment.value(name);
    }
    int FindExecutable(const QString& file, const QString& folder, QString& buffer) override;
    QString Text_Program() override;
    bool Start_Program(const QString& program, const QStringList& args) override;
};

// Records what it is told; `stop_at` makes Step and Next say "stop" from
// that many of them on. With `logged`, each Begin ("progress TITLE"), Next
// ("next K/N NAME") and End ("progress end") goes into the event log too.
struct Fake_Progress : ProgressWindow {
    explicit Fake_Progress(Log& log) : log(log) {}
    Log& log;
    bool logged = false;
    std::vector<QString> titles, members, nexts;
    std::vector<double> done;
    int stop_at = -1;   // the number of Steps and Nexts that go on
    int open = 0;   // Begins less Ends
    int answered = 0;
    void Begin(const QString& title) override
    {
        titles.push_back(title);
        ++open;
        if (logged)
            log.push_back("progress " + title.toStdString());
    }
    bool Next(int k, int n, const QString& name) override
    {
        nexts.push_back(QStringLiteral("%1/%2 %3").arg(k).arg(n).arg(name));
        if (logged)
            log.push_back("next " + nexts.back().toStdString());
        return Go_On();
    }
    bool Step(const std::function<QString()>& member, double d) override
    {
        members.push_back(member());
        done.push_back(d);
        return Go_On();
    }
    void End() override
    {
        --open;
        if (logged)
            log.push_back("progress end");
    }
    bool Go_On() { return stop_at < 0 || ++answered <= stop_at; }
};

// The archiver library as a pair of C entry points that record every call.
// `respond` decides the result and the text (default: success, no text).
struct Recording_Library {
    struct Call { std::string command; std::uint32_t size; };
    explicit Recording_Library(Log& log);
    ~Recording_Library();
    Log& log;
    std::vector<Call> calls;
    std::vector<int> cursor_modes;
    std::function<int(const std::string& command, std::string& text)> respond;
    // The progress callback registered for the call under way, if any.
    UnlhaProgressCallback progress = nullptr;
    void* progress_window = nullptr;
    void* progress_data = nullptr;
    UnlhaLibrary library;

    std::vector<std::string> Commands() const;
    // From inside `respond`: reports progress as the library does; true when
    // the callback asks to stop.
    bool Report(const char* member, std::uint64_t done, std::uint64_t total, int work = UNLHA_WORK_OWN);
    // Every "l" answered with `listing`, everything else with `result`.
    void Answer_Listing(const std::string& listing, int result = 0);
};

// A Form1 made of fakes; `library` defaults to the recording one.
struct Fake_Form {
    explicit Fake_Form(const UnlhaLibrary* library = nullptr);
    Log log;
    Fake_List list;
    Fake_Label label{log};
    Fake_Window window;
    Fake_Dialogs dialogs{log};
    Fake_Messages messages{log};
    Fake_Pointer pointer{log};
    Fake_Popup popup{log};
    Fake_Progress progress{log};
    Fake_Clipboard clipboard;
    Fake_Desktop desktop{log};
    Recording_Library recorder{log};
    Form1 form;

    // Lists `listing` through File_List as the archive `path`.
    void List(const QString& path, const std::string& listing);
};

// What the library lists for `archive` of tests/corpus ("edge/two.lzh"):
// its golden listing, which the library's own tests check it against.
std::string Golden_Listing(const std::string& archive);

}  // namespace morvane::testing
