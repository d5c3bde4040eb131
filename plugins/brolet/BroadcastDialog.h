#pragma once

#include <cstdint>
#include <string>

#include "plugins/brolet/Broadcast.h"
#include "zkr/Dialog.h"

namespace brolet {

// "Configure Broadcast": the server (host, port, mount point, user and
// password), the format and its quality or bit rate, and how the stream is
// presented (name, description, genre, URL, public listing). The password is
// typed into a masked field and never shown in clear. Works on its own copy;
// the caller takes it over when runModal answers OK.
class BroadcastDialog : public zkr::Dialog {
public:
    static constexpr uint16_t kTemplateId = 131;
    static constexpr int kIdHost = 1020;
    static constexpr int kIdPort = 1021;
    static constexpr int kIdMount = 1022;
    static constexpr int kIdUser = 1023;
    static constexpr int kIdPassword = 1024;
    static constexpr int kIdFormat = 1025;
    static constexpr int kIdQualityLabel = 1026;
    static constexpr int kIdQuality = 1027;
    static constexpr int kIdName = 1028;
    static constexpr int kIdDescription = 1029;
    static constexpr int kIdGenre = 1030;
    static constexpr int kIdUrl = 1031;
    static constexpr int kIdPublic = 1032;
    // The longest text of a field (a settings value).
    static constexpr int kTextLimit = 255;

    BroadcastDialog(BroadcastSettings settings, plat::ui::WindowHandle owner);

    void onInitDialog() override;
    bool onCommand(uintptr_t wparam, intptr_t lparam) override;
    // OK takes the fields only when the server can work with them.
    bool onClose() override;

    BroadcastSettings settings;

private:
    // Reads the fields into settings; the first field the server cannot work
    // with is named in problem, with what to type instead.
    bool readFields(std::string& problem);
    void showQuality();
    BroadcastFormat chosenFormat();
};

} // namespace brolet
