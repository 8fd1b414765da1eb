// Form1::Unlha: one call of the archiver with a command text and Buf_Out.
#include "app/form1.h"
#include "unlha_library.h"

#include <cstring>
#include <vector>

namespace morvane {

int Form1::Unlha(const QString& command)
{
    // The library's text crosses in the locale's code page (UTF-8 here).
    const QByteArray bytes = command.toLocal8Bit();
    const std::uint32_t size = Buf_Size > 0 ? std::uint32_t(Buf_Size) : 0;
    std::vector<char> output(std::max<std::uint32_t>(size, 1), '\0');
    const int result = library_.Unlha(window_.Handle(), bytes.constData(), output.data(), size);

    // Only what the library wrote up to its NUL: nothing is left over from an
    // earlier call.
    const std::size_t length = size > 0 ? strnlen(output.data(), size) : 0;
    Buf_Out = QString::fromLocal8Bit(output.data(), qsizetype(length));
    if (Buf_Out.size() < Buf_Chars)
        Buf_Out.resize(Buf_Chars, u' ');
    return result;
}

}  // namespace morvane
