// The Plugin Manager: the tree of discovered plug-ins with the loaded ones
// marked, the properties of the selected one, "Support", and "Find &Update!"
// with the proxy setting, driven on the headless backend.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DialogTestKit.h"
#include "engine/PluginFolderKit.h"
#include "engine/PluginManagerDialog.h"
#include "engine/UpdateDialog.h"
#include "platform/ui/ControlTestKit.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/controls/Controls.h"
#include "support/EngineTestSeam.h"
#include "support/LoopbackHttpServer.h"

namespace {

using engine::PluginManagerDialog;
using namespace plat::ui;
using namespace velmora::test;

struct TreeLine {
    std::string text; // indented by two spaces per level
    intptr_t param = 0;
    bool expanded = false;
    TreeItem item = 0;
};

void readTree(WindowHandle tree, TreeItem first, int level, std::vector<TreeLine>& lines)
{
    for (TreeItem item = first; item != 0;
         item = static_cast<TreeItem>(sendMessage(tree, kMsgTreeGetNextItem, kTreeNext, item))) {
        char text[128] = {};
        TreeItemRecord record;
        record.mask = kTreeItemText | kTreeItemParam | kTreeItemState;
        record.item = item;
        record.text = text;
        record.textMax = sizeof text;
        sendMessage(tree, kMsgTreeGetItem, 0, reinterpret_cast<intptr_t>(&record));
        lines.push_back({std::string(2 * level, ' ') + text, record.param,
                         (record.state & kTreeStateExpanded) != 0, item});
        readTree(tree, static_cast<TreeItem>(sendMessage(tree, kMsgTreeGetNextItem, kTreeChild, item)),
                 level + 1, lines);
    }
}

std::vector<TreeLine> treeOf(WindowHandle dialog)
{
    WindowHandle tree = dialogItem(dialog, PluginManagerDialog::kIdTree);
    std::vector<TreeLine> lines;
    readTree(tree, static_cast<TreeItem>(sendMessage(tree, kMsgTreeGetNextItem, kTreeNextRoot, 0)), 0, lines);
    return lines;
}

std::vector<std::string> textsOf(const std::vector<TreeLine>& lines)
{
    std::vector<std::string> texts;
    for (const TreeLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

const TreeLine& lineNamed(const std::vector<TreeLine>& lines, const std::string& text)
{
    for (const TreeLine& line : lines)
        if (line.text == text)
            return line;
    ADD_FAILURE() << "no tree line " << text;
    static const TreeLine none;
    return none;
}

// The six property fields in the order title, short name, media, version, rights, address.
std::vector<std::string> fieldsOf(WindowHandle dialog)
{
    std::vector<std::string> fields;
    for (int id : {PluginManagerDialog::kIdTitle, PluginManagerDialog::kIdShortName,
                   PluginManagerDialog::kIdMedia, PluginManagerDialog::kIdVersion,
                   PluginManagerDialog::kIdRights, PluginManagerDialog::kIdWebAddress})
        fields.push_back(dlgItemText(dialog, id));
    return fields;
}

void select(WindowHandle dialog, TreeItem item)
{
    sendDlgItemMessage(dialog, PluginManagerDialog::kIdTree, kMsgTreeSelectItem, kTreeCaret, item);
}

class PluginManagerTest : public PluginFolderTest {
protected:
    void SetUp() override
    {
        addPlugin("good_ui.vui", "ui.vui");
        addPlugin("good_input.vin", "in.vin");
        addPlugin("pattern_input.vin", "pattern.vin");
        addPlugin("good_output.vwo", "out.vwo");
        // The effects stay empty: their only file is no plug-in.
        addPlugin("not_a_plugin.vin", "broken.vfx");
        ASSERT_EQ(core.slots().discoverPlugins(), 0);
        ASSERT_EQ(core.applyAudioSetup(core.audio().setup()), 0);
    }

    ShellAndNotices recorder;
};

TEST_F(PluginManagerTest, TheTreeListsEachKindUnderItsHeadingAndMarksLoadedPlugIns)
{
    ASSERT_EQ(core.slots().loadInput(0, pluginPath("in.vin").c_str(), 0), 0);
    std::vector<TreeLine> loaded, unloaded;
    std::string caption;
    std::vector<std::string> fields;
    {
        ModalScript script;
        script.then([&](WindowHandle dialog, int) {
            caption = windowText(dialog);
            loaded = treeOf(dialog);
            fields = fieldsOf(dialog);
            EXPECT_TRUE(pressDialogButton(dialog, PluginManagerDialog::kIdClose));
        });
        EXPECT_EQ(core.shell().openPluginManager(nullptr), 1);
        ASSERT_TRUE(script.finished());
    }
    EXPECT_EQ(caption, "Plugin Manager");
    EXPECT_EQ(textsOf(loaded),
              (std::vector<std::string>{"Velmora Open System", "  Audio Input Plugins", "    in.vin *",
                                        "    pattern.vin", "  Audio Output Plugins", "    out.vwo",
                                        "  Realtime Effects", "  User Interfaces", "    ui.vui"}));
    EXPECT_TRUE(loaded[0].expanded);
    // Entry items carry their entry; the root and the headings none.
    EXPECT_EQ(lineNamed(loaded, "    in.vin *").param,
              reinterpret_cast<intptr_t>(&entry(EngineSeam::audioInputs(core), 0)));
    EXPECT_EQ(lineNamed(loaded, "    ui.vui").param,
              reinterpret_cast<intptr_t>(&entry(EngineSeam::userInterfaces(core), 0)));
    for (const char* bare : {"Velmora Open System", "  Audio Input Plugins", "  Realtime Effects"})
        EXPECT_EQ(lineNamed(loaded, bare).param, 0) << bare;
    EXPECT_EQ(fields, std::vector<std::string>(6, ""));

    // Unloaded, the same file shows without its mark at the next opening.
    ASSERT_TRUE(core.slots().unloadInput(0, false));
    ModalScript again;
    again.then([&](WindowHandle dialog, int) {
        unloaded = treeOf(dialog);
        EXPECT_TRUE(pressDialogButton(dialog, PluginManagerDialog::kIdClose));
    });
    core.shell().openPluginManager(nullptr);
    EXPECT_EQ(unloaded[2].text, "    in.vin");
}

TEST_F(PluginManagerTest, ASelectedEntryShowsItsPropertiesWhichAHeadingKeepsAndSupportOpensItsAddress)
{
    std::vector<std::string> shown, afterHeading, afterSecond;
    size_t opensAfterFirst = 0;
    ModalScript script;
    script.then([&](WindowHandle dialog, int) {
        const std::vector<TreeLine> lines = treeOf(dialog);
        select(dialog, lineNamed(lines, "    in.vin").item);
        shown = fieldsOf(dialog);
        select(dialog, lineNamed(lines, "  Audio Output Plugins").item);
        afterHeading = fieldsOf(dialog);
        EXPECT_TRUE(pressDialogButton(dialog, PluginManagerDialog::kIdSupport));
        opensAfterFirst = ShellAndNotices::targets().size();
        // A plug-in without an address: Support does nothing.
        select(dialog, lineNamed(lines, "    pattern.vin").item);
        afterSecond = fieldsOf(dialog);
        EXPECT_TRUE(pressDialogButton(dialog, PluginManagerDialog::kIdSupport));
        EXPECT_TRUE(pressDialogButton(dialog, PluginManagerDialog::kIdClose));
    });
    core.shell().openPluginManager(nullptr);
    ASSERT_TRUE(script.finished());

    const std::vector<std::string> goodIn{
        "Velmora Binding Test GoodIn", "GoodIn",           "nothing at all", "v0.1b 01/2000",
        "(c) the Velmora test suite",  "http://localhost/"};
    EXPECT_EQ(shown, goodIn);
    EXPECT_EQ(afterHeading, goodIn);
    EXPECT_EQ(opensAfterFirst, 1u);
    EXPECT_EQ(afterSecond[0], "Velmora core test plug-in");
    EXPECT_EQ(afterSecond[5], "");
    EXPECT_EQ(ShellAndNotices::targets(), std::vector<std::string>{"http://localhost/"});
    EXPECT_TRUE(ShellAndNotices::notices().empty());
}

// "Use proxy" comes from the setting; "Find &Update!" stores it and runs the
// update dialog owned by the manager, which then asks the proxy for the
// update server's description.
TEST_F(PluginManagerTest, FindUpdateStoresUseProxyAndAsksTheUpdateServerThroughTheProxy)
{
    const std::string description = "[AUTO_UPDATE_SECTION]\nNumFiles=1\nFile1=In\n\n"
                                    "[In]\nname=in.vin\ntitle=Good Input\ndate=12/31/2037\n"
                                    "url=http://update.invalid/in\n";
    LoopbackHttpServer proxy(httpResponse("HTTP/1.0 200 OK", description));
    writeSettings("[Velmora Audio Engine v0.1b]\nUseProxy=0\nProxyHost=" + proxy.address() +
                  "\nUpdateServer=http://update.invalid\n");
    TempFolder temp;
    ScopedEnv tempDir{"TMPDIR", temp.path()};

    WindowHandle manager = nullptr, updateOwner = nullptr;
    bool checkedAtFirst = true;
    std::vector<std::string> offered;
    int stage = 0;
    IdleDriver driver([&](WindowHandle modal, int depth) {
        if (stage == 0 && depth == 1) {
            manager = modal;
            checkedAtFirst = isDlgButtonChecked(modal, PluginManagerDialog::kIdUseProxy) == kButtonChecked;
            EXPECT_TRUE(checkDlgButton(modal, PluginManagerDialog::kIdUseProxy, kButtonChecked));
            // Posted, so that the update dialog runs from the manager's loop.
            (void)postMessage(modal, kMsgCommand, PluginManagerDialog::kIdFindUpdate, 0);
            stage = 1;
        } else if (stage == 1 && depth == 2) {
            const auto count =
                sendDlgItemMessage(modal, engine::UpdateDialog::kIdUpdates, kMsgListGetCount, 0, 0);
            if (count <= 0)
                return false;
            updateOwner = ownerWindow(modal);
            for (int i = 0; i < count; ++i) {
                char line[512] = {};
                sendDlgItemMessage(modal, engine::UpdateDialog::kIdUpdates, kMsgListGetText, i,
                                   reinterpret_cast<intptr_t>(line));
                offered.push_back(line);
            }
            EXPECT_TRUE(pressDialogButton(modal, engine::UpdateDialog::kIdClose));
            stage = 2;
        } else if (stage == 2 && depth == 1) {
            EXPECT_TRUE(pressDialogButton(modal, PluginManagerDialog::kIdClose));
            return true;
        }
        return false;
    });
    core.shell().openPluginManager(nullptr);
    ASSERT_TRUE(driver.finished());

    EXPECT_FALSE(checkedAtFirst);
    EXPECT_EQ(updateOwner, manager);
    (void)core.settings.selectSection(engine::EngineCore::kSettingsSection, true);
    EXPECT_EQ(core.settings.getInt("UseProxy", -1), 1);
    EXPECT_EQ(offered, std::vector<std::string>{"Good Input (in.vin) => http://update.invalid/in"});
    const std::vector<std::string> requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET http://update.invalid/qomupdate.ini HTTP/1.1\r\n", 0), 0u)
        << requests[0];
    EXPECT_NE(requests[0].find("\r\nHost: update.invalid\r\n"), std::string::npos) << requests[0];
    EXPECT_TRUE(core.shownErrors().empty());
}

} // namespace
