#include "plugins/tindle/PropertiesDialog.h"

#include <cstdio>
#include <utility>

#include "platform/ui/Dialog.h"
#include "platform/ui/Resources.h"
#include "platform/ui/controls/Controls.h"
#include "zkr/WindowHelpers.h"

namespace tindle {

namespace {

using namespace plat::ui;
using Self = PropertiesDialog;

constexpr uint32_t kLabel = kItemStyleChild | kStaticLeftNoWrap | kStaticNoPrefix;
constexpr uint32_t kValue = kItemStyleChild | kStaticLeftNoWrap | kStaticNoPrefix | kStaticSunken;
// The only header format this plug-in plays.
constexpr uint16_t kFormatPcm = 1;
// A format chunk's size without extra data.
constexpr uint32_t kPlainFormatSize = 16;

const DialogItemTemplate kItems[] = {
    {"STATIC", "File:", -1, 7, 8, 48, 9, kLabel},
    {"STATIC", "", Self::kIdFile, 58, 7, 185, 11, kValue},
    {"STATIC", "Format:", -1, 7, 24, 48, 9, kLabel},
    {"STATIC", "", Self::kIdFormat, 58, 23, 62, 11, kValue},
    {"STATIC", "Channels:", -1, 130, 24, 50, 9, kLabel},
    {"STATIC", "", Self::kIdChannels, 181, 23, 62, 11, kValue},
    {"STATIC", "Samples/sec:", -1, 7, 38, 48, 9, kLabel},
    {"STATIC", "", Self::kIdSampleRate, 58, 37, 62, 11, kValue},
    {"STATIC", "Bytes/sec:", -1, 130, 38, 50, 9, kLabel},
    {"STATIC", "", Self::kIdByteRate, 181, 37, 62, 11, kValue},
    {"STATIC", "Block align:", -1, 7, 52, 48, 9, kLabel},
    {"STATIC", "", Self::kIdBlockAlign, 58, 51, 62, 11, kValue},
    {"STATIC", "Bits/sample:", -1, 130, 52, 50, 9, kLabel},
    {"STATIC", "", Self::kIdBits, 181, 51, 62, 11, kValue},
    {"STATIC", "", Self::kIdFormatNote, 7, 67, 236, 9, kLabel},
    {"STATIC", "Other chunks:", -1, 7, 82, 48, 9, kLabel},
    {"STATIC", "", Self::kIdExtraChunks, 58, 81, 185, 11, kValue},
    {"STATIC", "", Self::kIdRuntime, 7, 99, 236, 9, kLabel},
    {"BUTTON", "OK", kIdOk, 100, 116, 50, 14, kItemStyleChild | kButtonDefPush | kStyleTabStop | kStyleGroup},
};

const DialogTemplate kTemplate{.caption = "Wavefile Properties",
                               .style = kDialogStyleStandard,
                               .width = 250,
                               .height = 137,
                               .items = kItems};

void setNumber(WindowHandle dialog, int id, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", static_cast<int>(value));
    (void)setDlgItemText(dialog, id, text);
}

} // namespace

PropertiesDialog::PropertiesDialog(const zkr::MultimediaFile& file, std::string path, WindowHandle owner)
    : zkr::Dialog(kTemplate, owner), file_(file), path_(std::move(path))
{
}

void PropertiesDialog::onInitDialog()
{
    const zkr::MultimediaFile::Header& header = file_.header;
    (void)setDlgItemText(window, kIdFile, path_.c_str());
    char text[64];
    const bool extensible = header.formatTag == zkr::kWaveFormatExtensible;
    if (header.formatTag == kFormatPcm)
        std::snprintf(text, sizeof text, "PCM");
    else if (header.formatTag == zkr::kWaveFormatFloat || extensible)
        std::snprintf(text, sizeof text, "%s%s", file_.sampleFormat == zkr::kWaveFormatFloat ? "IEEE float" : "PCM",
                      extensible ? " (extensible)" : "");
    else
        std::snprintf(text, sizeof text, "(Unknown %i)", static_cast<int>(header.formatTag));
    (void)setDlgItemText(window, kIdFormat, text);
    setNumber(window, kIdChannels, header.channels);
    setNumber(window, kIdSampleRate, header.samplesPerSecond);
    setNumber(window, kIdByteRate, header.averageBytesPerSecond);
    setNumber(window, kIdBlockAlign, header.blockAlign);
    setNumber(window, kIdBits, header.bitsPerSample);
    text[0] = '\0';
    if (header.formatSize > kPlainFormatSize)
        std::snprintf(text, sizeof text, "Chunk has %i Bytes additional data!",
                      static_cast<int>(header.formatSize - kPlainFormatSize));
    (void)setDlgItemText(window, kIdFormatNote, text);
    (void)setDlgItemText(window, kIdExtraChunks, file_.extraChunks);
    char duration[zkr::kDurationTextSize];
    zkr::formatDuration(file_.durationMs(), duration);
    std::snprintf(text, sizeof text, "Total runtime is %s ...", duration);
    (void)setDlgItemText(window, kIdRuntime, text);
}

} // namespace tindle
