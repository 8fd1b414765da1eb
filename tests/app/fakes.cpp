#include "fakes.h"

#include <fstream>
#include <stdexcept>

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace morvane::testing {

QStringList Fake_List::Texts() const
{
    QStringList out;
    for (const Row& r : rows)
        out.append(r.text);
    return out;
}

bool Fake_Dialogs::Run(DialogAction action, const CommonDialog& d, QString& chosen)
{
    shown.push_back({action, d.FileName, d.Filter, d.DefaultExt, d.InitDir, d.DialogTitle, d.FilterIndex, d.Flags,
                     d.CancelError});
    log.push_back(action == DialogAction::Open ? "dialog Open" : "dialog Save");
    if (answers.empty()) {
        ADD_FAILURE() << "a dialog nobody expected: " << d.DialogTitle.toStdString();
        return false;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    if (answer.confirm)
        chosen = answer.path;
    return answer.confirm;
}

void Fake_Messages::Show(const QString& text)
{
    texts.append(text);
    log.push_back("msg " + text.toStdString());
}

void Fake_Pointer::Set(PointerShape s)
{
    shape = s;
    log.push_back("pointer " + std::to_string(int(s)));
}

void Fake_Popup::Show()
{
    log.push_back("popup");
    if (choose)
        choose();
}

int Fake_Desktop::FindExecutable(const QString& file, const QString& dir, QString& buffer)
{
    const QString path = dir + u'/' + file;
    QFile probe(path);
    const bool existed = probe.open(QIODevice::ReadOnly);
    lookups.push_back({file, dir, existed, existed ? probe.readAll() : QByteArray()});
    log.push_back("find " + file.toStdString());
    if (!existed)
        return 2;
    if (associated.isEmpty())
        return 31;   // no association: the buffer is left as it was
    buffer.replace(0, associated.size() + 1, associated + QChar(0));
    return 33;
}

QString Fake_Desktop::Text_Program()
{
    log.push_back("text program");
    return text_program;
}

bool Fake_Desktop::Start_Program(const QString& program, const QStringList& args)
{
    started.push_back({program, args});
    log.push_back("start " + program.toStdString() + " | " + args.join(u'|').toStdString());
    return start_works;
}

namespace {
Recording_Library* current = nullptr;

int Record_Unlha(void*, const char* command, char* output, std::uint32_t size)
{
    Recording_Library& r = *current;
    r.calls.push_back({command, size});
    r.log.push_back(std::string("unlha ") + command);
    std::string text;
    int result = r.respond ? r.respond(command, text) : 0;
    // As the library does: NUL-terminated, cut after the last whole line, result 6.
    if (size == 0)
        return result;
    if (text.size() + 1 > size) {
        const std::size_t cut = text.rfind('\n', size - 2);
        text = cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
        result = UNLHA_ERR_OUTPUT;
    }
    std::memcpy(output, text.c_str(), text.size() + 1);
    return result;
}

int Record_Cursor(int mode)
{
    current->cursor_modes.push_back(mode);
    current->log.push_back("cursor " + std::to_string(mode));
    return 0;
}

int Record_Progress(void* window, UnlhaProgressCallback callback, void* data)
{
    current->progress = callback;
    current->progress_window = window;
    current->progress_data = data;
    return 0;
}
}  // namespace

bool Recording_Library::Report(const char* member, std::uint64_t done, std::uint64_t total, int work)
{
    if (!progress)
        return false;
    UnlhaProgress p{};
    p.size = sizeof p;
    p.event = UNLHA_PROGRESS_WORK;
    p.command = "x";
    p.member = member;
    p.bytes_done = done;
    p.bytes_total = total;
    p.work = work;
    return progress(progress_window, &p, progress_data) != 0;
}

Recording_Library::Recording_Library(Log& l) : log(l), library(&Record_Unlha, &Record_Cursor, &Record_Progress)
{
    current = this;
}

Recording_Library::~Recording_Library()
{
    if (current == this)
        current = nullptr;
}

std::vector<std::string> Recording_Library::Commands() const
{
    std::vector<std::string> out;
    for (const Call& c : calls)
        out.push_back(c.command);
    return out;
}

void Recording_Library::Answer_Listing(const std::string& listing, int result)
{
    respond = [listing, result](const std::string& command, std::string& text) {
        if (command.rfind("l ", 0) == 0) {
            text = listing;
            return 0;
        }
        return result;
    };
}

Fake_Form::Fake_Form(const UnlhaLibrary* lib)
    : form(Form1_Parts{list, label, window, dialogs, messages, pointer, popup, progress, clipboard, desktop,
                       lib ? *lib : recorder.library})
{
}

void Fake_Form::List(const QString& path, const std::string& listing)
{
    recorder.Answer_Listing(listing);
    form.Lzh_Path = path;
    form.File_List();
}

std::string Golden_Listing(const std::string& archive)
{
    std::ifstream in(std::string(MORVANE_LISTINGS) + "/" + archive + ".l.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty())
        throw std::runtime_error("no golden listing of " + archive);
    // The last line is the library's result, not part of its text.
    text.erase(text.rfind("result "));
    return text;
}

}  // namespace morvane::testing
