#include "local_names.h"

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#else
#include <QDateTime>
#include <QFileInfo>
#endif

namespace morvane {

namespace {
constexpr char16_t Escape_Base = 0xDC00;   // U+DC80 to U+DCFF: the bytes 0x80 to 0xFF

// The length of the well-formed UTF-8 character at `i`, or 0 for none.
qsizetype Utf8_Length(const QByteArray& s, qsizetype i)
{
    const auto at = [&s](qsizetype k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x80)
        return 1;
    const qsizetype length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > s.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    const unsigned char second = at(i + 1);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second > 0x8F))
        return 0;
    return length;
}
}  // namespace

QString Local_Name(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    qsizetype run = 0;   // the start of the well-formed text not yet converted
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = Utf8_Length(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + run, i - run);
        name += QChar(char16_t(Escape_Base + static_cast<unsigned char>(bytes[i])));
        run = ++i;
    }
    name += QString::fromUtf8(bytes.constData() + run, bytes.size() - run);
    return name;
}

QByteArray Local_Bytes(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c < Escape_Base + 0x80 || c > Escape_Base + 0xFF)
            continue;
        bytes += QStringView(name).mid(run, i - run).toUtf8();
        bytes += char(c - Escape_Base);
        run = i + 1;
    }
    bytes += QStringView(name).mid(run).toUtf8();
    return bytes;
}

Local_File Local_Stat(const QString& path)
{
    Local_File file;
#if defined(Q_OS_UNIX)
    struct stat st {};
    if (::lstat(Local_Bytes(path).constData(), &st) != 0)
        return file;
    file.exists = true;
    file.link = S_ISLNK(st.st_mode);
    file.regular = S_ISREG(st.st_mode);
    file.size = st.st_size;
    file.modified_ns = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    // Names there are UTF-16 already: Qt's own conversion loses nothing.
    const QFileInfo info(path);
    file.exists = info.exists() || info.isSymLink();
    file.link = info.isSymLink();
    file.regular = info.isFile() && !file.link;
    file.size = info.size();
    file.modified_ns = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
    return file;
}

}  // namespace morvane
