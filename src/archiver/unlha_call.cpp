// Form1::Unlha: one call of the archiver with a command text and Buf_Out,
// its progress shown in the progress window while it works.
#include "app/form1.h"
#include "command_text.h"
#include "path.h"
#include "listing/listing_parser.h"
#include "unlha_library.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace morvane {

namespace {
// What a single call does, as its progress window says it.
QString What_It_Does(const QString& command)
{
    switch (command.isEmpty() ? u' ' : command[0].unicode()) {
    case u'l': return text::Doing_List;
    case u'x': return text::Doing_Extract;
    case u'd': return text::Doing_Delete;
    case u'a': return text::Doing_Add;
    case u's': return text::Doing_Exe;
    default: return command.section(u' ', 0, 0);
    }
}
}  // namespace

QString Progress_Title(const QString& what, const QString& archive)
{
    return text::Progress_Title.arg(what, archive.mid(archive.lastIndexOf(Path_Sep) + 1));
}

int Form1::Progress_Of(void*, const UnlhaProgress* p, void* form)
{
    auto* self = static_cast<Form1*>(form);
    const double done = p->bytes_total ? double(p->bytes_done) / double(p->bytes_total)
                        : p->members_total ? double(p->members_done) / double(p->members_total)
                                           : 0.0;
    // A member merely copied along by a delete or an add is not the one the
    // person sees worked on (an older library, without the field, names
    // every member as worked on).
    const bool copied = p->size >= offsetof(UnlhaProgress, work) + sizeof p->work && p->work == UNLHA_WORK_COPY;
    // The member's name as a person reads it, not its exact form; made only
    // when the window shows it (a listing reports every member).
    const auto member = [p, copied] { return copied ? QString() : Path_Of_Name(QString::fromLocal8Bit(p->member)); };
    if (self->progress_.Step(member, done))
        return 0;
    self->stop_asked_ = true;
    return 1;
}

int Form1::Unlha(const QString& command)
{
    // The library's text crosses in the locale's code page (UTF-8 here).
    const QByteArray bytes = command.toLocal8Bit();
    const std::uint32_t size = Buf_Size > 0 ? std::uint32_t(Buf_Size) : 0;
    // Not cleared: the library writes its text and a NUL, and only that is
    // read. A large listing's room is never touched beyond its text.
    const std::unique_ptr<char[]> output(new (std::nothrow) char[std::max<std::uint32_t>(size, 1)]);
    if (!output) {
        // No room for the text: as if it did not fit.
        Buf_Out = QString(Buf_Chars, u' ');
        return UNLHA_ERR_OUTPUT;
    }
    output[0] = '\0';

    void* const handle = window_.Handle();
    // A command on several members has one progress window for all its calls.
    const bool own_progress = !command_progress_;
    if (own_progress) {
        progress_.Begin(Progress_Title(What_It_Does(command), Archive_Of(command)));
        stop_asked_ = false;
    }
    library_.SetProgressCallback(handle, &Form1::Progress_Of, this);
    const int result = library_.Unlha(handle, bytes.constData(), output.get(), size);
    library_.SetProgressCallback(handle, nullptr, nullptr);
    if (own_progress)
        progress_.End();

    // Only what the library wrote up to its NUL: nothing is left over from an
    // earlier call.
    const std::size_t length = size > 0 ? strnlen(output.get(), size) : 0;
    Buf_Out = QString::fromLocal8Bit(output.get(), qsizetype(length));
    if (Buf_Out.size() < Buf_Chars)
        Buf_Out.resize(Buf_Chars, u' ');
    return result;
}

void Form1::Begin_Progress(const QString& what, const QString& archive)
{
    progress_.Begin(Progress_Title(what, archive));
    command_progress_ = true;
    stop_asked_ = false;
}

bool Form1::Next_Member(int k, int n, const QString& name)
{
    if (!command_progress_ || stop_asked_)
        return false;
    if (progress_.Next(k, n, name))
        return true;
    stop_asked_ = true;
    return false;
}

void Form1::End_Progress()
{
    if (command_progress_)
        progress_.End();
    command_progress_ = false;
}

}  // namespace morvane
