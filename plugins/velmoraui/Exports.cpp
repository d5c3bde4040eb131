// VelmoraUI.vui: the exports of a user interface over its application.
#include "plugins/skeleton/PluginExports.h"
#include "plugins/velmoraui/UiApplication.h"

VELMORA_USER_INTERFACE_PLUGIN(velmoraui::UiApplication)
