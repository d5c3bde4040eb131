// Velmora Prism: the visual module of our own (see PrismScene.h for what it
// draws). Its one setting, the colour scheme, lives in the section "Prism"
// of the host's visuals.ini as "Scheme=<name>".

#include <cstring>
#include <string>
#include <string_view>

#include "platform/core/Profile.h"
#include "api/VisualModuleApi.h"
#include "visuals/prism/PrismScene.h"

namespace {

constexpr char kSection[] = "Prism";
constexpr std::string_view kSchemeKey = "Scheme=";

// One picture per process: the host loads a module once.
prism::PrismScene& scene()
{
    static prism::PrismScene theScene;
    return theScene;
}

void initialise()
{
    scene().reset();
}

void render(uint32_t* pixels, int32_t width, int32_t height, int32_t rowLength, const visual::VisualData* data)
{
    if (data != nullptr)
        scene().render(pixels, width, height, rowLength, *data);
}

void loadSettings(const char* path)
{
    if (path == nullptr)
        return;
    // The section's lines, each ended by a zero character.
    const std::string lines = plat::getProfileSectionLines(kSection, path);
    for (size_t start = 0; start < lines.size(); start += std::strlen(lines.c_str() + start) + 1) {
        const std::string_view line(lines.c_str() + start);
        if (line.size() > kSchemeKey.size() && prism::sameLetters(line.substr(0, kSchemeKey.size()), kSchemeKey))
            scene().setScheme(prism::schemeNamed(line.substr(kSchemeKey.size())));
    }
}

void saveSettings(const char* path)
{
    if (path == nullptr)
        return;
    std::string lines(kSchemeKey);
    lines += scene().scheme().name;
    lines.append(2, '\0');
    // The host gives saving no way to fail: the scheme stays as it was on disk.
    (void)plat::writeProfileSection(kSection, lines.c_str(), path);
}

visual::VisualModuleDescriptor theDescriptor = {
    1, "Velmora Prism v1.0", visual::kWantsWaveform | visual::kWantsSpectrum, &initialise, &render, &saveSettings,
    &loadSettings};

} // namespace

extern "C" __attribute__((visibility("default"))) visual::VisualModuleDescriptor* QueryModule()
{
    return &theDescriptor;
}
