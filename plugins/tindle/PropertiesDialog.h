#pragma once

#include <string>

#include "zkr/Dialog.h"
#include "zkr/MultimediaFile.h"

namespace tindle {

// "Wavefile Properties": the header of a loaded channel's file, read-only,
// closed with OK.
class PropertiesDialog : public zkr::Dialog {
public:
    // Control ids of the dialog.
    static constexpr int kIdFile = 1001;
    static constexpr int kIdFormat = 1002;
    static constexpr int kIdChannels = 1003;
    static constexpr int kIdSampleRate = 1004;
    static constexpr int kIdByteRate = 1005;
    static constexpr int kIdBlockAlign = 1006;
    static constexpr int kIdBits = 1007;
    static constexpr int kIdFormatNote = 1008;
    static constexpr int kIdExtraChunks = 1009;
    static constexpr int kIdRuntime = 1010;

    // The file is read when the dialog opens; it must stay loaded meanwhile.
    PropertiesDialog(const zkr::MultimediaFile& file, std::string path, plat::ui::WindowHandle owner);

    void onInitDialog() override;

private:
    const zkr::MultimediaFile& file_;
    std::string path_;
};

} // namespace tindle
