// Form1::Unlha: one call of the archiver with a command text and Buf_Out,
// its progress shown in the progress window while it works.
#include "app/form1.h"
#include "command_text.h"
#include "path.h"
#include "listing/listing_parser.h"
#include "unlha_library.h"

#include <cstring>
#include <vector>

namespace morvane {

int Form1::Progress_Of(void*, const UnlhaProgress* p, void* form)
{
    auto* self = static_cast<Form1*>(form);
    const double done = p->bytes_total ? double(p->bytes_done) / double(p->bytes_total)
                        : p->members_total ? double(p->members_done) / double(p->members_total)
                                           : 0.0;
    // The member's name as a person reads it, not its exact form.
    return self->progress_.Step(Path_Of_Name(QString::fromLocal8Bit(p->member)), done) ? 0 : 1;
}

int Form1::Unlha(const QString& command)
{
    // The library's text crosses in the locale's code page (UTF-8 here).
    const QByteArray bytes = command.toLocal8Bit();
    const std::uint32_t size = Buf_Size > 0 ? std::uint32_t(Buf_Size) : 0;
    std::vector<char> output(std::max<std::uint32_t>(size, 1), '\0');

    void* const handle = window_.Handle();
    const QString archive = Archive_Of(command);
    progress_.Begin(text::Progress_Title.arg(What_It_Does(command), archive.mid(archive.lastIndexOf(Path_Sep) + 1)));
    library_.SetProgressCallback(handle, &Form1::Progress_Of, this);
    const int result = library_.Unlha(handle, bytes.constData(), output.data(), size);
    library_.SetProgressCallback(handle, nullptr, nullptr);
    progress_.End();

    // Only what the library wrote up to its NUL: nothing is left over from an
    // earlier call.
    const std::size_t length = size > 0 ? strnlen(output.data(), size) : 0;
    Buf_Out = QString::fromLocal8Bit(output.data(), qsizetype(length));
    if (Buf_Out.size() < Buf_Chars)
        Buf_Out.resize(Buf_Chars, u' ');
    return result;
}

}  // namespace morvane
