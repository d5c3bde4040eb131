#include "plugins/plevnt/DecoderManager.h"

#include <cstdio>

#include "api/Protocol.h"
#include "platform/core/Files.h"
#include "platform/core/Module.h"
#include "platform/core/UserFolders.h"
#include "zkr/Text.h"

namespace plevnt {

namespace {

constexpr char kModulePattern[] = "*.esp";
constexpr char kAllFormats[] = "All supported media formats";
// In the user's cache folder, when the decoder folder is not writable.
constexpr char kCopiesFolder[] = "Decoders";

// "MP3;MP2" as the dialog's patterns "*.MP3;*.MP2" (matched without regard to case).
std::string patternsOf(const std::string& extensions)
{
    std::string patterns;
    std::size_t start = 0;
    while (start <= extensions.size()) {
        std::size_t end = extensions.find(';', start);
        if (end == std::string::npos)
            end = extensions.size();
        if (end > start) {
            if (!patterns.empty())
                patterns += ';';
            patterns += "*." + extensions.substr(start, end - start);
        }
        start = end + 1;
    }
    return patterns;
}

// A copy made from this very module: same size and last write time (a copy
// keeps its source's). After a rebuild or an update it is not.
bool copyIsCurrent(const std::string& module, const std::string& copy)
{
    uint64_t moduleSize = 0, copySize = 0, moduleTime = 0, copyTime = 0;
    return plat::fileSize(module, moduleSize) && plat::fileSize(copy, copySize) &&
           plat::lastWriteTime(module, moduleTime) && plat::lastWriteTime(copy, copyTime) &&
           moduleSize == copySize && moduleTime == copyTime;
}

} // namespace

std::string decoderFolder()
{
    return plat::joinPath(plat::joinPath(plat::programFolder(), "Plugins"), "Decoders");
}

DecoderManager::DecoderManager()
{
    kind = zkr::kKindDecoderManager;
}

DecoderManager::~DecoderManager()
{
    release();
}

int DecoderManager::getName(char* buffer)
{
    if (buffer != nullptr)
        zkr::copyText(buffer, zkr::kObjectNameSize, "Decoder Manager");
    return kind;
}

int DecoderManager::load(const std::string& folder, int playerNumber)
{
    release();
    const std::vector<std::string> files = plat::listFolder(folder, kModulePattern);
    if (files.empty()) {
        setError(toWire(engine::Error::NoDecoderModules));
        return lastError;
    }
    // An installed program's folder belongs to the system: its users' copies go to their own cache.
    const std::string copies = plat::madeCopiesFolderFor(folder, kCopiesFolder);
    if (copies.empty()) {
        setError(toWire(engine::Error::WriteFailed));
        return lastError;
    }
    for (const std::string& file : files) {
        char copyName[1024];
        std::snprintf(copyName, sizeof copyName, "%s.%i", file.c_str(), playerNumber);
        const std::string original = plat::joinPath(folder, file);
        const std::string copy = plat::joinPath(copies, copyName);
        // Each player loads a copy of its own, so the two never share a
        // module's state. The copy is replaced whole by a rename, so a copy
        // still mapped elsewhere stays intact.
        if (!copyIsCurrent(original, copy) && !plat::copyFile(original, copy, false)) {
            setError(toWire(engine::Error::WriteFailed));
            return lastError;
        }
        auto module = std::make_unique<AudioDecoder>();
        if (module->load(copy) != toWire(engine::Error::Ok))
            continue;
        if (module->parser() == InfoParser::None)
            unknownModules_ = true;
        modules_.push_back(std::move(module));
    }
    buildFilters();
    clearError();
    return toWire(engine::Error::Ok);
}

void DecoderManager::release()
{
    modules_.clear();
    filters_.clear();
    unknownModules_ = false;
}

AudioDecoder* DecoderManager::choose(const std::string& path, AudioDecoder* previous) const
{
    if (previous != nullptr && previous->handles(path))
        return previous;
    for (const auto& module : modules_)
        if (module->handles(path))
            return module.get();
    return nullptr;
}

void DecoderManager::buildFilters()
{
    filters_.clear();
    std::string all;
    for (const auto& module : modules_) {
        if (!all.empty() && !module->extensions().empty())
            all += ';';
        all += patternsOf(module->extensions());
    }
    filters_.push_back({kAllFormats, all});
    for (const auto& module : modules_) {
        char description[600];
        std::snprintf(description, sizeof description, "%s (%s)", module->name().c_str(),
                      module->extensions().c_str());
        filters_.push_back({description, patternsOf(module->extensions())});
    }
}

} // namespace plevnt
