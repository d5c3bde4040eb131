#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "plugins/plevnt/Layout.h"
#include "zkr/Control.h"

// The media player's own displays: the time, the progress bar, the playlist
// and the information view. Each draws itself into the window's back buffer
// on the window's thread.
namespace plevnt {

// The face the displays write with.
const plat::ui::Font* displayFont();

// A control on a box of the layout.
class DisplayControl : public zkr::Control {
public:
    explicit DisplayControl(zkr::UserInterface* owner = nullptr) : zkr::Control(owner) {}
    void place(const Box& box);
};

// The elapsed time ("hh:mm:ss"); a click fires, so the window can switch
// between elapsed and remaining time.
class TimeDisplay : public DisplayControl {
public:
    using DisplayControl::DisplayControl;
    void paint(plat::ui::Painter* dc) override;
    // Repaints when the text changed.
    void show(const std::string& text);
    const std::string& text() const { return text_; }

private:
    std::string text_ = "00:00:00";
};

// How far the stream has played, 0 to 100 percent.
class ProgressBar : public DisplayControl {
public:
    using DisplayControl::DisplayControl;
    void paint(plat::ui::Painter* dc) override;
    void show(int percent);
    int percent() const { return percent_; }

private:
    int percent_ = 0;
};

// Lines of text on a screen, one under the other.
class InfoView : public DisplayControl {
public:
    using DisplayControl::DisplayControl;
    void paint(plat::ui::Painter* dc) override;
    // "\n" separates the lines.
    void show(const std::string& text);
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A playlist: one row per entry (its name and, right-aligned, its time),
// the current entry in amber, the selected row marked. A click selects, a
// double click fires the control's message with activatedRow set, the wheel
// and the arrow keys scroll and move the selection.
class PlaylistView : public DisplayControl {
public:
    struct Row {
        std::string name;
        std::string time; // empty: not known
    };

    explicit PlaylistView(zkr::UserInterface* owner = nullptr);

    void paint(plat::ui::Painter* dc) override;
    void onMouseDown(intptr_t point, uintptr_t keys) override;
    void onMouseUp(intptr_t point, uintptr_t keys) override;
    void onDoubleClick(intptr_t point, uintptr_t keys) override;
    void onWheel(int delta, uintptr_t keys) override;
    void onKey(int up, uintptr_t key, bool hovered) override;

    // The rows and the current entry (-1: none); the selection stays where it
    // was when it is still inside the list.
    void show(std::vector<Row> rows, int current);
    const std::vector<Row>& rows() const { return rows_; }
    int current() const { return current_; }
    int selected() const { return selected_; }
    int firstShown() const { return first_; }
    // Selects the row (-1: none) and scrolls it into view.
    void select(int row);
    int visibleRows() const;
    // The row at a point relative to the control, or -1.
    int rowAt(int y) const;

    // The row a double click (or Enter) chose, read by the window when fired.
    int activatedRow = -1;

private:
    void scrollTo(int first);

    std::vector<Row> rows_;
    int current_ = -1;
    int selected_ = -1;
    int first_ = 0;
};

} // namespace plevnt
