#include "zkr/SharedServices.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "api/Protocol.h"
#include "platform/core/DynamicLibrary.h"
#include "platform/core/Module.h"
#include "platform/core/Notice.h"
#include "zkr/Product.h"

namespace zkr {

const char* const kSharedServicesExports[kSharedServicesCount] = {
    "GetErrorText",     "ShowZKRError",  "ShowSplashWindow",   "CloseSplashWindow",
    "UpdateSplashText", "HandleZKRHelp", "SetVelmoraTrayIcon",
};

// Both globals are written only by bind and release, on the start-up thread
// before other threads read the table (see the header).
SharedServices* sharedServices = nullptr;

namespace {

// A plain pointer, not a static owner: the library stays mapped until the
// process ends unless released on purpose, so threads still running in it
// (a splash window, an open error dialog) never lose their code at exit.
plat::DynamicLibrary* sharedLibrary = nullptr;

void reportMissingLibrary()
{
    char message[256];
    std::snprintf(message, sizeof message,
                  "ZKR Shared Library %s not found.\n%s cannot run without this file!", kSharedLibraryFile,
                  kProductTitle);
    plat::showNotice(message, kProductTitle, plat::kNoticeFailure);
}

} // namespace

int bindSharedServices()
{
    try {
        std::string path = plat::programFolder() + "/" + kSharedLibraryFile;
        return bindSharedServicesFrom(path.c_str());
    } catch (const std::bad_alloc&) {
        return toWire(engine::Error::OutOfMemory);
    }
}

int bindSharedServicesFrom(const char* libraryPath)
{
    releaseSharedServices();

    std::unique_ptr<plat::DynamicLibrary> library(new (std::nothrow) plat::DynamicLibrary);
    if (library == nullptr)
        return toWire(engine::Error::CannotUseResource);
    bool loaded = false;
    try {
        loaded = libraryPath != nullptr && library->load(libraryPath);
    } catch (const std::bad_alloc&) {
        loaded = false;
    }
    if (!loaded) {
        if (libraryPath == nullptr || library->lastError() == plat::LoadError::NotFound)
            reportMissingLibrary();
        return toWire(engine::Error::CannotUseResource);
    }

    std::unique_ptr<SharedServices> table(new (std::nothrow) SharedServices);
    if (table == nullptr)
        return toWire(engine::Error::OutOfMemory);

    void* found[kSharedServicesCount];
    for (int i = 0; i < kSharedServicesCount; ++i) {
        found[i] = library->symbol(kSharedServicesExports[i]);
        // A half-bound table is never published; the library goes with it.
        if (found[i] == nullptr)
            return toWire(engine::Error::CorruptExports);
    }
    table->getErrorText = reinterpret_cast<GetErrorTextFunction>(found[0]);
    table->showZKRError = reinterpret_cast<ShowZKRErrorFunction>(found[1]);
    table->showSplashWindow = reinterpret_cast<ShowSplashWindowFunction>(found[2]);
    table->closeSplashWindow = reinterpret_cast<CloseSplashWindowFunction>(found[3]);
    table->updateSplashText = reinterpret_cast<UpdateSplashTextFunction>(found[4]);
    table->handleZKRHelp = reinterpret_cast<HandleZKRHelpFunction>(found[5]);
    table->setVelmoraTrayIcon = reinterpret_cast<SetVelmoraTrayIconFunction>(found[6]);

    sharedLibrary = library.release();
    sharedServices = table.release();
    return 0;
}

void releaseSharedServices()
{
    // The table goes first, so nothing reaches into the library as it unloads.
    delete sharedServices;
    sharedServices = nullptr;
    delete sharedLibrary;
    sharedLibrary = nullptr;
}

} // namespace zkr
