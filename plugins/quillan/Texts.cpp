#include "plugins/quillan/Texts.h"

#include "platform/ui/Resources.h"
#include "zkr/SkinImages.h"

namespace quillan {

namespace {

const plat::ui::StringResource kStrings[] = {
    {kStringAboutTip, "about soundcard"},        {kStringDeviceTip, "select soundcard"},
    {kStringStereoTip, "mono/stereo recording"}, {kStringConnectTip, "connect to velmora mixer"},
    {kStringRecordTip, "start/stop recording"},
};

const plat::ui::ResourceTable kTexts{kStrings, {}, {}, {}};
plat::ui::ResourceRegistrar registrar(kTexts);

} // namespace

std::string stringText(unsigned id)
{
    std::string text;
    if (!plat::ui::loadString(zkr::ownModule(), id, text))
        text.clear();
    return text;
}

} // namespace quillan
