#pragma once

#include <cstdint>

#include "api/PluginApi.h"

// The plug-in's side of the engine contract, behind its exports.
namespace velmoraui {

class UiApplication;

// Made when the library is loaded, gone when it is unloaded.
void startApplication();
void stopApplication();
UiApplication* application();

void fillPluginInfo(engine::PluginInfo* info);

} // namespace velmoraui
