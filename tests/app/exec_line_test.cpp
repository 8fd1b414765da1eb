// Exec lines of desktop entries: the value escapes, the quoting rules, the
// field codes, and the command that starts a viewer on one file.
#include "os/exec_line.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace morvane;
using namespace Qt::StringLiterals;

namespace {
std::string Words(const std::optional<QStringList>& words)
{
    return words ? (u'[' + words->join(u"]["_s) + u']').toStdString() : "none";
}
}  // namespace

TEST(ExecLine, AStoredValueUndoesItsOwnEscapesAndLeavesTheRestForTheQuotes)
{
    EXPECT_EQ(Entry_Value(uR"(a\sb\tc\nd\re\\f)"_s), u"a b\tc\nd\re\\f"_s);
    // "\\\\" in the file is one backslash in a quoted word, "\\$" a dollar sign.
    EXPECT_EQ(Entry_Value(uR"("a\\\\b \\$x" \" end\)"_s), uR"("a\\b \$x" \" end\)"_s);
}

TEST(ExecLine, WordsAreSplitAtBlanksAndQuotedWordsKeepThem)
{
    EXPECT_EQ(Words(Exec_Words(u"flatpak run org.gnome.TextEditor %U"_s)), "[flatpak][run][org.gnome.TextEditor][%U]");
    EXPECT_EQ(Words(Exec_Words(u"  env  GTK_THEME=x\tgedit %F "_s)), "[env][GTK_THEME=x][gedit][%F]");
    EXPECT_EQ(Words(Exec_Words(uR"("/opt/my app/view" "a\"b\`c\$d\\e" "" x)"_s)),
              "[/opt/my app/view][a\"b`c$d\\e][][x]");
    EXPECT_EQ(Words(Exec_Words(uR"("keep \n as is")"_s)), "[keep \\n as is]");
    EXPECT_EQ(Words(Exec_Words(u""_s)), "[]");
    EXPECT_EQ(Words(Exec_Words(u"view \"not closed"_s)), "none");
}

TEST(ExecLine, JoinedWordsSplitBackIntoTheSameWords)
{
    const QString alphabet = u" \t\n\"'\\><~|&;$*?#`%aZ0/表"_s;
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 500; ++round) {
        QStringList words;
        for (int w = int(random->bounded(1, 5)); w > 0; --w) {
            QString word;
            for (int c = int(random->bounded(0, 6)); c > 0; --c)
                word += alphabet[int(random->bounded(qsizetype(alphabet.size())))];
            words.append(word);
        }
        ASSERT_EQ(Words(Exec_Words(Exec_Join(words))), Words(words)) << Exec_Join(words).toStdString();
    }
    EXPECT_EQ(Exec_Join({u"/usr/bin/view"_s, u"%f"_s}), u"/usr/bin/view %f"_s);
    EXPECT_EQ(Exec_Join({u"/opt/my app/view"_s, u""_s}), u"\"/opt/my app/view\" \"\""_s);
}

TEST(ExecLine, TheEntrysOwnCodesAreExpandedAndTheFileCodesKept)
{
    const Entry_Fields entry{u"editor"_s, u"My 100% Editor"_s, u"/usr/share/applications/ed.desktop"_s};
    const auto line = [&entry](const QString& exec) { return Words(Expand_Entry_Codes(*Exec_Words(exec), entry)); };
    EXPECT_EQ(line(u"ed %i --title=%c %k %f"_s),
              "[ed][--icon][editor][--title=My 100%% Editor][/usr/share/applications/ed.desktop][%f]");
    EXPECT_EQ(line(u"ed --x=%u %U %F %% %d %D %n %N %v %m %z"_s), "[ed][--x=%u][%U][%F][%%]");
    EXPECT_EQ(line(u"my%%ed %F"_s), "[my%ed][%F]");   // the program as it is started
    EXPECT_EQ(Words(Expand_Entry_Codes(*Exec_Words(u"ed %i %k %f"_s), {})), "[ed][%f]");   // nothing known: no words
    EXPECT_EQ(Words(Expand_Entry_Codes({}, entry)), "none");
    EXPECT_EQ(Words(Expand_Entry_Codes({u"%f"_s}, entry)), "none");
}

TEST(ViewerCommand, StartsTheProgramWithTheFileWhereItsCodeStands)
{
    const QString file = u"/tmp/m-1/表 示.txt"_s;
    const std::string path = file.toStdString();
    const std::string url = "file:///tmp/m-1/%E8%A1%A8%20%E7%A4%BA.txt";
    EXPECT_EQ(Words(Viewer_Command(u"/usr/bin/flatpak run org.gnome.TextEditor @@u %U @@"_s, file)),
              "[/usr/bin/flatpak][run][org.gnome.TextEditor][@@u][" + url + "][@@]");
    EXPECT_EQ(Words(Viewer_Command(u"/usr/bin/env GTK_THEME=x gedit %F"_s, file)),
              "[/usr/bin/env][GTK_THEME=x][gedit][" + path + "]");
    EXPECT_EQ(Words(Viewer_Command(u"/usr/bin/view --file=%f --at=%u 100%% \"\""_s, file)),
              "[/usr/bin/view][--file=" + path + "][--at=" + url + "][100%][]");
    // Without a file code the file comes last, as for a bare program.
    EXPECT_EQ(Words(Viewer_Command(u"\"/opt/my view\""_s, file)), "[/opt/my view][" + path + "]");
    EXPECT_EQ(Words(Viewer_Command(u"/usr/bin/100%%view"_s, file)), "[/usr/bin/100%%view][" + path + "]");
    EXPECT_EQ(Words(Viewer_Command(u""_s, file)), "none");
    EXPECT_EQ(Words(Viewer_Command(u"\"\" %f"_s, file)), "none");
    EXPECT_EQ(Words(Viewer_Command(u"\"/bin/view %f"_s, file)), "none");
}
