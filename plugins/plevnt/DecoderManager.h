#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugins/plevnt/AudioDecoder.h"
#include "zkr/ObjectBase.h"

namespace plevnt {

// One file-dialog filter: its description and its patterns ("*.MP3;*.MP2").
struct DecoderFilter {
    std::string description;
    std::string patterns;
};

// The decoder modules of one player: its own copy of every module of the
// decoder folder (X.esp copied once to X.esp.n for player n), loaded in the
// folder's order, and the open-file dialog's filters built from them. The
// window's thread only.
class DecoderManager : public zkr::ObjectBase {
public:
    DecoderManager();
    ~DecoderManager() override;

    // Loads the modules of folder for player number playerNumber (1 or 2):
    // 0, NoDecoderModules (no "*.esp" there) or WriteFailed (a copy could not be made). Modules that
    // do not load are skipped.
    int load(const std::string& folder, int playerNumber);
    void release();

    // The module for path: previous when it handles the extension, else the
    // first that does, else null (NoDecoderForFormat is the caller's to report).
    AudioDecoder* choose(const std::string& path, AudioDecoder* previous) const;

    const std::vector<std::unique_ptr<AudioDecoder>>& modules() const { return modules_; }
    const std::vector<DecoderFilter>& filters() const { return filters_; }
    // A module with a name the player knows no information parser for.
    bool hasUnknownModules() const { return unknownModules_; }

    int getName(char* buffer) override;

private:
    void buildFilters();

    std::vector<std::unique_ptr<AudioDecoder>> modules_;
    std::vector<DecoderFilter> filters_;
    bool unknownModules_ = false;
};

// "Plugins/Decoders" in the program's folder.
std::string decoderFolder();

} // namespace plevnt
