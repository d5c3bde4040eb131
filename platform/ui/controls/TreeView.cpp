#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/ControlBase.h"
#include "platform/ui/controls/ControlLook.h"
#include "platform/ui/controls/Controls.h"

namespace plat::ui::detail {

namespace {

constexpr int kIndent = 19;
constexpr int kButtonBox = 9;

// A tree of items, each with a text and a data value, that the user expands,
// collapses and selects; selection changes reach the parent as notifications.
// Item handles are numbers never used twice, so a stale handle finds nothing.
class TreeView : public Control {
public:
    TreeView(WindowHandle window, const CreateInfo& info) : Control(window, info) {}

    intptr_t handle(uint32_t message, uintptr_t wparam, intptr_t lparam) override
    {
        switch (message) {
        case kMsgTreeInsertItem:
            return insert(reinterpret_cast<const TreeInsertRecord*>(lparam));
        case kMsgTreeDeleteItem:
            return remove(static_cast<TreeItem>(lparam)) ? 1 : 0;
        case kMsgTreeExpand:
            return expand(static_cast<TreeItem>(lparam), static_cast<uint32_t>(wparam), kTreeByUnknown, false)
                       ? 1
                       : 0;
        case kMsgTreeGetCount:
            return static_cast<intptr_t>(nodes_.size());
        case kMsgTreeGetNextItem:
            return nextItem(static_cast<uint32_t>(wparam), static_cast<TreeItem>(lparam));
        case kMsgTreeSelectItem:
            if (wparam != kTreeCaret)
                return 0;
            return select(static_cast<TreeItem>(lparam), kTreeByUnknown) ? 1 : 0;
        case kMsgTreeGetItem:
            return getItem(reinterpret_cast<TreeItemRecord*>(lparam)) ? 1 : 0;
        case kMsgTreeSetItem:
            return setItem(reinterpret_cast<const TreeItemRecord*>(lparam)) ? 1 : 0;
        case kMsgLButtonDown:
        case kMsgLButtonDoubleClick:
            noteMouseKeys(wparam);
            if (!focused())
                setFocus(window());
            click(pointFromParam(lparam), message == kMsgLButtonDoubleClick);
            return 0;
        case kMsgMouseWheel:
            scrollTo(top_ - wheelDeltaOf(wparam) / kWheelDelta * 3);
            return 0;
        default:
            return Control::handle(message, wparam, lparam);
        }
    }

protected:
    intptr_t dialogCode() const override { return kDialogCodeWantArrows | kDialogCodeWantChars; }

    bool onKey(uint32_t key) override
    {
        std::vector<TreeItem> rows = visibleRows();
        auto at = std::find(rows.begin(), rows.end(), selected_);
        int index = at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
        int page = std::max(1, pageRows() - 1);
        auto goTo = [&](int row) {
            if (!rows.empty())
                select(rows[static_cast<size_t>(std::clamp(row, 0, static_cast<int>(rows.size()) - 1))],
                       kTreeByKeyboard);
        };
        switch (key) {
        case kVkUp:
            goTo(index < 0 ? 0 : index - 1);
            return true;
        case kVkDown:
            goTo(index + 1);
            return true;
        case kVkHome:
            goTo(0);
            return true;
        case kVkEnd:
            goTo(static_cast<int>(rows.size()) - 1);
            return true;
        case kVkPrior:
            goTo(index - page);
            return true;
        case kVkNext:
            goTo(index + page);
            return true;
        case kVkLeft: {
            Node* node = find(selected_);
            if (node == nullptr)
                return true;
            if (node->expanded && !node->children.empty())
                expand(selected_, kTreeCollapse, kTreeByKeyboard, true);
            else if (node->parent != 0)
                select(node->parent, kTreeByKeyboard);
            return true;
        }
        case kVkRight: {
            Node* node = find(selected_);
            if (node == nullptr || node->children.empty())
                return true;
            if (!node->expanded)
                expand(selected_, kTreeExpandIt, kTreeByKeyboard, true);
            else
                select(node->children.front(), kTreeByKeyboard);
            return true;
        }
        default:
            return false;
        }
    }

    void paint(Painter& p, const Rect&) override
    {
        Rect area = client();
        Brush brush = askColours(p, kMsgCtlColorEdit);
        Argb textColour = enabled() ? p.state().textColour : look::grayText();
        p.fillRect(area, brush);
        p.drawEdge(area, kEdgeSunken, kSidesRect);
        std::vector<TreeItem> rows = visibleRows();
        if (hasScrollBar(rows))
            look::drawScrollBar(p, scrollBarArea(), top_, pageRows(), static_cast<int>(rows.size()));
        Rect list = rowsArea(rows);
        p.intersectClip(list);
        p.setBackgroundMode(BackgroundMode::Transparent);
        const int height = rowHeight();
        const bool linesAtRoot = (style() & kTreeLinesAtRoot) != 0;
        for (size_t i = static_cast<size_t>(top_); i < rows.size(); ++i) {
            int y = list.top + static_cast<int>(i - static_cast<size_t>(top_)) * height;
            if (y >= list.bottom)
                break;
            const Node& node = *find(rows[i]);
            int level = depth(node) + (linesAtRoot ? 1 : 0);
            int x = list.left + level * kIndent;
            if ((style() & kTreeHasLines) != 0)
                paintLines(p, node, list.left, x, y, height, linesAtRoot);
            if ((style() & kTreeHasButtons) != 0 && !node.children.empty() &&
                (node.parent != 0 || linesAtRoot))
                paintButton(p, x - kIndent + (kIndent - kButtonBox) / 2, y + (height - kButtonBox) / 2,
                            node.expanded);
            Size extent = p.textExtent(node.text);
            Rect label = Rect::fromSize(x + 2, y, extent.width + 4, height);
            bool lit = rows[i] == selected_ && (focused() || (style() & kTreeShowSelAlways) != 0);
            if (lit)
                p.fillRect(label, focused() ? look::selection() : look::face());
            p.setTextColour(lit && focused() ? look::selectionText() : textColour);
            p.drawText(node.text, label, kTextCentre | kTextVCentre | kTextSingleLine | kTextNoPrefix);
            if (rows[i] == selected_ && focused())
                p.drawFocusRect(label);
        }
    }

private:
    struct Node {
        std::string text;
        intptr_t param = 0;
        TreeItem parent = 0;
        std::vector<TreeItem> children;
        bool expanded = false;
    };

    Node* find(TreeItem item)
    {
        auto found = nodes_.find(item);
        return found == nodes_.end() ? nullptr : &found->second;
    }
    const Node* find(TreeItem item) const
    {
        auto found = nodes_.find(item);
        return found == nodes_.end() ? nullptr : &found->second;
    }
    std::vector<TreeItem>& siblingsOf(TreeItem parent)
    {
        return parent == 0 ? roots_ : find(parent)->children;
    }
    const std::vector<TreeItem>& siblingsOf(TreeItem parent) const
    {
        return parent == 0 ? roots_ : find(parent)->children;
    }

    int depth(const Node& node) const
    {
        int level = 0;
        for (TreeItem at = node.parent; at != 0; at = find(at)->parent)
            ++level;
        return level;
    }

    int rowHeight() const { return font().metrics().height + 3; }
    Rect inner() const { return client().inflatedBy(-2, -2); }
    int pageRows() const { return std::max(1, inner().height() / rowHeight()); }
    bool hasScrollBar(const std::vector<TreeItem>& rows) const
    {
        return static_cast<int>(rows.size()) > pageRows();
    }
    Rect scrollBarArea() const { return look::scrollBarStrip(inner()); }
    Rect rowsArea(const std::vector<TreeItem>& rows) const
    {
        return look::besideScrollBar(inner(), hasScrollBar(rows));
    }

    void addVisible(TreeItem item, std::vector<TreeItem>& rows) const
    {
        rows.push_back(item);
        const Node& node = *find(item);
        if (node.expanded)
            for (TreeItem child : node.children)
                addVisible(child, rows);
    }
    std::vector<TreeItem> visibleRows() const
    {
        std::vector<TreeItem> rows;
        for (TreeItem root : roots_)
            addVisible(root, rows);
        return rows;
    }

    void scrollTo(int top)
    {
        int rows = static_cast<int>(visibleRows().size());
        top_ = std::clamp(top, 0, std::max(0, rows - pageRows()));
        invalidate();
    }

    void ensureVisible(TreeItem item)
    {
        for (TreeItem at = find(item)->parent; at != 0; at = find(at)->parent)
            find(at)->expanded = true;
        std::vector<TreeItem> rows = visibleRows();
        int index = static_cast<int>(std::find(rows.begin(), rows.end(), item) - rows.begin());
        if (index < top_)
            top_ = index;
        else if (index >= top_ + pageRows())
            top_ = index - pageRows() + 1;
        scrollTo(top_);
    }

    TreeItem insert(const TreeInsertRecord* record)
    {
        if (record == nullptr)
            return 0;
        TreeItem parent = record->parent == kTreeRoot ? 0 : record->parent;
        if (parent != 0 && find(parent) == nullptr)
            return 0;
        Node node;
        if ((record->item.mask & kTreeItemText) != 0 && record->item.text != nullptr &&
            record->item.text != kTooltipTextCallback)
            node.text = record->item.text;
        if ((record->item.mask & kTreeItemParam) != 0)
            node.param = record->item.param;
        if ((record->item.mask & kTreeItemState) != 0 && (record->item.stateMask & kTreeStateExpanded) != 0)
            node.expanded = (record->item.state & kTreeStateExpanded) != 0;
        node.parent = parent;
        TreeItem item = ++lastItem_;
        nodes_.emplace(item, std::move(node));
        std::vector<TreeItem>& siblings = siblingsOf(parent);
        if (record->insertAfter == kTreeFirst) {
            siblings.insert(siblings.begin(), item);
        } else {
            auto after = std::find(siblings.begin(), siblings.end(), record->insertAfter);
            siblings.insert(after == siblings.end() ? siblings.end() : after + 1, item);
        }
        invalidate();
        return item;
    }

    void forget(TreeItem item)
    {
        Node* node = find(item);
        for (TreeItem child : node->children)
            forget(child);
        if (selected_ == item)
            selected_ = 0;
        nodes_.erase(item);
    }

    bool remove(TreeItem item)
    {
        if (item == kTreeRoot || item == 0) {
            bool hadSelection = selected_ != 0;
            nodes_.clear();
            roots_.clear();
            selected_ = 0;
            top_ = 0;
            invalidate();
            if (hadSelection)
                notifySelection(kTreeSelChanged, 0, 0, kTreeByUnknown);
            return true;
        }
        Node* node = find(item);
        if (node == nullptr)
            return false;
        TreeItem old = selected_;
        std::vector<TreeItem>& siblings = siblingsOf(node->parent);
        siblings.erase(std::find(siblings.begin(), siblings.end(), item));
        forget(item);
        scrollTo(top_);
        if (old != 0 && selected_ == 0)
            notifySelection(kTreeSelChanged, 0, 0, kTreeByUnknown);
        return true;
    }

    // User actions tell the parent (and a cancelled expanding leaves all as it was).
    bool expand(TreeItem item, uint32_t action, uint32_t cause, bool byUser)
    {
        Node* node = find(item);
        if (node == nullptr)
            return false;
        bool wanted = action == kTreeToggle ? !node->expanded : (action & 0x3) == kTreeExpandIt;
        if (wanted == node->expanded)
            return true;
        if (byUser && notifyItem(kTreeItemExpanding, item, wanted ? kTreeExpandIt : kTreeCollapse) != 0)
            return false;
        node = find(item);
        if (node == nullptr)
            return false;
        node->expanded = wanted;
        // Collapsing hides the selection: it moves up to the collapsed item.
        if (!wanted && selected_ != 0 && isBelow(selected_, item))
            select(item, cause);
        scrollTo(top_);
        if (byUser)
            notifyItem(kTreeItemExpanded, item, wanted ? kTreeExpandIt : kTreeCollapse);
        return true;
    }

    bool isBelow(TreeItem item, TreeItem ancestor) const
    {
        for (const Node* node = find(item); node != nullptr && node->parent != 0; node = find(node->parent))
            if (node->parent == ancestor)
                return true;
        return false;
    }

    bool select(TreeItem item, uint32_t cause)
    {
        if (item != 0 && find(item) == nullptr)
            return false;
        if (item == selected_) {
            if (item != 0)
                ensureVisible(item);
            return true;
        }
        TreeItem old = selected_;
        if (notifySelection(kTreeSelChanging, old, item, cause) != 0)
            return false;
        if (item != 0 && find(item) == nullptr)
            return false;
        selected_ = item;
        if (item != 0)
            ensureVisible(item);
        invalidate();
        notifySelection(kTreeSelChanged, old, item, cause);
        return true;
    }

    void fillRecord(TreeItemRecord& record, TreeItem item) const
    {
        record.mask = kTreeItemParam | kTreeItemState;
        record.item = item;
        const Node* node = find(item);
        if (node == nullptr)
            return;
        record.param = node->param;
        record.stateMask = kTreeStateSelected | kTreeStateExpanded;
        record.state =
            (item == selected_ ? kTreeStateSelected : 0) | (node->expanded ? kTreeStateExpanded : 0);
    }

    intptr_t notifySelection(int32_t code, TreeItem old, TreeItem now, uint32_t cause)
    {
        TreeNotify notify;
        notify.header = {window(), static_cast<uintptr_t>(id()), code};
        notify.action = cause;
        fillRecord(notify.itemOld, old);
        fillRecord(notify.itemNew, now);
        return sendNotify(notify);
    }

    intptr_t notifyItem(int32_t code, TreeItem item, uint32_t action)
    {
        TreeNotify notify;
        notify.header = {window(), static_cast<uintptr_t>(id()), code};
        notify.action = action;
        fillRecord(notify.itemNew, item);
        return sendNotify(notify);
    }

    intptr_t sendNotify(TreeNotify& notify)
    {
        WindowHandle owner = parent();
        if (owner == nullptr)
            return 0;
        return sendMessage(owner, kMsgNotify, static_cast<uintptr_t>(id()),
                           reinterpret_cast<intptr_t>(&notify));
    }

    TreeItem nextItem(uint32_t relation, TreeItem item) const
    {
        auto sibling = [&](int step) -> TreeItem {
            const Node* node = find(item);
            if (node == nullptr)
                return 0;
            const std::vector<TreeItem>& siblings = siblingsOf(node->parent);
            auto at = std::find(siblings.begin(), siblings.end(), item);
            auto index = (at - siblings.begin()) + step;
            return index >= 0 && index < static_cast<std::ptrdiff_t>(siblings.size())
                       ? siblings[static_cast<size_t>(index)]
                       : 0;
        };
        auto visibleStep = [&](int step) -> TreeItem {
            std::vector<TreeItem> rows = visibleRows();
            auto at = std::find(rows.begin(), rows.end(), item);
            if (at == rows.end())
                return 0;
            auto index = (at - rows.begin()) + step;
            return index >= 0 && index < static_cast<std::ptrdiff_t>(rows.size())
                       ? rows[static_cast<size_t>(index)]
                       : 0;
        };
        switch (relation) {
        case kTreeNextRoot:
            return roots_.empty() ? 0 : roots_.front();
        case kTreeNext:
            return sibling(1);
        case kTreePrevious:
            return sibling(-1);
        case kTreeParent: {
            const Node* node = find(item);
            return node != nullptr ? node->parent : 0;
        }
        case kTreeChild: {
            if (item == 0 || item == kTreeRoot)
                return roots_.empty() ? 0 : roots_.front();
            const Node* node = find(item);
            return node != nullptr && !node->children.empty() ? node->children.front() : 0;
        }
        case kTreeFirstVisible: {
            std::vector<TreeItem> rows = visibleRows();
            return static_cast<size_t>(top_) < rows.size() ? rows[static_cast<size_t>(top_)] : 0;
        }
        case kTreeNextVisible:
            return visibleStep(1);
        case kTreePreviousVisible:
            return visibleStep(-1);
        case kTreeCaret:
            return selected_;
        default:
            return 0;
        }
    }

    bool getItem(TreeItemRecord* record) const
    {
        if (record == nullptr)
            return false;
        const Node* node = find(record->item);
        if (node == nullptr)
            return false;
        if ((record->mask & kTreeItemText) != 0 && record->text != nullptr && record->textMax > 0) {
            size_t length = std::min(node->text.size(), static_cast<size_t>(record->textMax - 1));
            std::memcpy(record->text, node->text.data(), length);
            record->text[length] = '\0';
        }
        if ((record->mask & kTreeItemParam) != 0)
            record->param = node->param;
        if ((record->mask & kTreeItemState) != 0)
            record->state = ((record->item == selected_ ? kTreeStateSelected : 0) |
                             (node->expanded ? kTreeStateExpanded : 0)) &
                            (record->stateMask != 0 ? record->stateMask : ~0u);
        if ((record->mask & kTreeItemChildren) != 0)
            record->children = node->children.empty() ? 0 : 1;
        return true;
    }

    bool setItem(const TreeItemRecord* record)
    {
        if (record == nullptr)
            return false;
        Node* node = find(record->item);
        if (node == nullptr)
            return false;
        if ((record->mask & kTreeItemText) != 0 && record->text != nullptr)
            node->text = record->text;
        if ((record->mask & kTreeItemParam) != 0)
            node->param = record->param;
        if ((record->mask & kTreeItemState) != 0 && (record->stateMask & kTreeStateExpanded) != 0)
            node->expanded = (record->state & kTreeStateExpanded) != 0;
        invalidate();
        return true;
    }

    void click(Point at, bool twice)
    {
        std::vector<TreeItem> rows = visibleRows();
        if (hasScrollBar(rows) && at.x >= scrollBarArea().left) {
            int step = look::scrollBarRows(at.y - scrollBarArea().top, scrollBarArea().height(), top_,
                                           pageRows(), static_cast<int>(rows.size()));
            if (step != 0)
                scrollTo(top_ + step);
            return;
        }
        Rect list = rowsArea(rows);
        if (!list.contains(at))
            return;
        size_t index = static_cast<size_t>(top_ + (at.y - list.top) / rowHeight());
        if (index >= rows.size())
            return;
        TreeItem item = rows[index];
        const Node& node = *find(item);
        int level = depth(node) + ((style() & kTreeLinesAtRoot) != 0 ? 1 : 0);
        int x = list.left + level * kIndent;
        bool onButton = at.x >= x - kIndent && at.x < x && !node.children.empty();
        if (onButton) {
            expand(item, kTreeToggle, kTreeByMouse, true);
            return;
        }
        select(item, kTreeByMouse);
        if (twice && find(item) != nullptr && !find(item)->children.empty())
            expand(item, kTreeToggle, kTreeByMouse, true);
    }

    void paintButton(Painter& p, int x, int y, bool expanded) const
    {
        Rect box = Rect::fromSize(x, y, kButtonBox, kButtonBox);
        p.fillRect(box, look::fieldBackground());
        p.frameRect(box, look::shadow());
        int mid = kButtonBox / 2;
        p.fillRect({x + 2, y + mid, x + kButtonBox - 2, y + mid + 1}, look::text());
        if (!expanded)
            p.fillRect({x + mid, y + 2, x + mid + 1, y + kButtonBox - 2}, look::text());
    }

    // Dotted lines from each item to its parent's line.
    void paintLines(Painter& p, const Node& node, int left, int x, int y, int height, bool linesAtRoot) const
    {
        const Argb colour = look::shadow();
        int midY = y + height / 2;
        auto dotsDown = [&](int lineX, int from, int to) {
            for (int yy = from; yy < to; ++yy)
                if ((yy & 1) == 0)
                    p.setPixel(lineX, yy, colour);
        };
        if (node.parent == 0 && !linesAtRoot)
            return;
        int lineX = x - kIndent + kIndent / 2;
        for (int xx = lineX; xx < x; xx += 2)
            p.setPixel(xx, midY, colour);
        const std::vector<TreeItem>& siblings = siblingsOf(node.parent);
        bool first = node.parent == 0 && !siblings.empty() && &node == find(siblings.front());
        bool last = !siblings.empty() && &node == find(siblings.back());
        dotsDown(lineX, first ? midY : y, last ? midY : y + height);
        // The lines of the ancestors that go on below this row.
        int ancestorX = lineX - kIndent;
        for (const Node* at = node.parent != 0 ? find(node.parent) : nullptr;
             at != nullptr && ancestorX >= left;
             at = at->parent != 0 ? find(at->parent) : nullptr, ancestorX -= kIndent) {
            if (at->parent == 0 && !linesAtRoot)
                break;
            const std::vector<TreeItem>& around = siblingsOf(at->parent);
            if (!around.empty() && at != find(around.back()))
                dotsDown(ancestorX, y, y + height);
        }
    }

    std::map<TreeItem, Node> nodes_;
    std::vector<TreeItem> roots_;
    TreeItem lastItem_ = 0;
    TreeItem selected_ = 0;
    int top_ = 0; // first row shown
};

} // namespace

void registerTreeViewClass()
{
    (void)registerControlClass(kTreeViewClass, &controlProcedure<TreeView>);
}

} // namespace plat::ui::detail
