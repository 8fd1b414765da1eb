// What the window's procedures see of the window's controls and of the person
// in front of it. src/ui implements these with widgets; the tests implement
// them with scripted fakes, so every procedure runs without a display.
// Sizes are in twips (1/1440 inch); the procedures never see pixels.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace morvane {

// A row of List1: its text and, for a member row, the member's exact name
// (empty for the summary row).
struct List_Row {
    QString text;
    QString path;
};

// List1: rows of fixed-column text. A member row carries its member's whole
// stored path beside the text; the summary row carries an empty path.
class ListBox {
public:
    virtual ~ListBox() = default;
    virtual int ListCount() const = 0;
    virtual QString List(int index) const = 0;
    virtual QString ItemPath(int index) const = 0;
    virtual bool Selected(int index) const = 0;
    virtual void AddItem(const QString& text, const QString& path) = 0;
    // Appends `rows` in their order, as AddItem of each would, in one go (a
    // listing of many thousand members).
    virtual void AddItems(std::vector<List_Row> rows) = 0;
    virtual void RemoveItem(int index) = 0;
    virtual void Clear() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetSize(int width, int height) = 0;
};

// Label1.
class Label {
public:
    virtual ~Label() = default;
    virtual QString Caption() const = 0;
    virtual void SetCaption(const QString& caption) = 0;
};

// Form1 as a window: its caption, its outer size, its handle, closing it.
class WindowFrame {
public:
    virtual ~WindowFrame() = default;
    virtual QString Caption() const = 0;
    virtual void SetCaption(const QString& caption) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void* Handle() const = 0;
    virtual void Unload() = 0;
};

// A message box with an OK button only, titled with the application title.
// Returns when the person has closed it.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void Show(const QString& text) = 0;
};

// The application-wide mouse pointer.
enum PointerShape { Pointer_Default = 0, Pointer_Busy = 11 };
class MousePointer {
public:
    virtual ~MousePointer() = default;
    virtual void Set(PointerShape shape) = 0;
};

// The POPUP menu shown as a context menu at the mouse pointer; returns when
// it has closed (a chosen item has then run through the routing table).
class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    virtual void Show() = 0;
};

// The progress window of archiver work: one for a whole command, however
// many calls it makes, over Form1 when that is shown and alone before. It
// shows itself only once the work has taken about half a second.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    // The work begins; `title` says what it is.
    virtual void Begin(const QString& title) = 0;
    // A command on several members, one call each: member `k` of `n` (from
    // 1) begins; `name` is the member as a person reads it. False once the
    // person has asked to stop.
    virtual bool Next(int k, int n, const QString& name) = 0;
    // As the library reports within a call: the member at work, which
    // `member` gives only when the window is about to show it ("" keeps the
    // name shown), and the share of the call done, 0 to 1. False once the
    // person has asked to stop.
    virtual bool Step(const std::function<QString()>& member, double done) = 0;
    virtual void End() = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void SetText(const QString& text) = 0;
};

}  // namespace morvane
