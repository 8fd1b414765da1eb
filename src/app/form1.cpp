#include "form1.h"

#include "trace.h"

namespace morvane {

Q_LOGGING_CATEGORY(lcTrace, "morvane.trace", QtInfoMsg)

Form1::Form1(const Form1_Parts& parts)
    : Buf_Out(Buf_Chars, u' '),
      Arg_Word(21),
      List1(parts.List1),
      Label1(parts.Label1),
      CMDialog1(&parts.dialogs),
      window_(parts.window),
      messages_(parts.messages),
      pointer_(parts.pointer),
      popup_(parts.popup),
      progress_(parts.progress),
      clipboard_(parts.clipboard),
      desktop_(parts.desktop),
      library_(parts.library)
{
}

void Form1::Err()
{
    messages_.Show(text::Err);
}

void Form1::Clear_Buf_Out()
{
    Buf_Out = QString(Buf_Chars, u' ');
}

void Form1::Begin_Command()
{
    Buf_Size = Buf_Chars;
    Clear_Buf_Out();
    pointer_.Set(Pointer_Busy);
}

void Form1::End_Command()
{
    pointer_.Set(Pointer_Default);
}

bool Form1::Run(const std::optional<QString>& command)
{
    // A command that could not be built fails like one the library refused.
    if (command && Unlha(*command) == 0)
        return true;
    // A call the person stopped: the progress window goes before "err".
    if (stop_asked_)
        End_Progress();
    Err();
    return false;
}

}  // namespace morvane
