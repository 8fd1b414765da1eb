// What the window's procedures see of the window's controls and of the person
// in front of it. src/ui implements these with widgets; the tests implement
// them with scripted fakes, so every procedure runs without a display.
// Sizes are in twips (1/1440 inch); the procedures never see pixels.
#pragma once

#include <QString>

namespace morvane {

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

// The progress window of a long archiver call: over Form1 when it is
// shown, alone before that. Begin before the call, Step as the library
// reports (false when the person asked to stop), End after it. It shows
// itself only when the call takes longer than about half a second.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void Begin(const QString& title) = 0;
    // `done` runs from 0 to 1 by bytes.
    virtual bool Step(const QString& member, double done) = 0;
    virtual void End() = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void SetText(const QString& text) = 0;
};

}  // namespace morvane
