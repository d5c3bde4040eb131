#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/core/DynamicLibrary.h"
#include "api/DecoderModuleApi.h"
#include "plugins/plevnt/StreamInfo.h"
#include "zkr/ObjectBase.h"

namespace plevnt {

// Which of the known modules' information blocks a module fills.
enum class InfoParser { None, Mpeg, Wave, WindowsMedia };

// The parser a module's file name (any folder, any letter case) selects.
InfoParser parserForModule(const std::string& fileName);

// One loaded copy of a decoder module: its library, the 42 functions bound
// in the contract's order, and what the module says of itself. Made and used
// on the window's thread; the functions are then called for its streams.
class AudioDecoder : public zkr::ObjectBase {
public:
    AudioDecoder();
    ~AudioDecoder() override;

    // Loads the copy at path and binds it: 0, or CannotUseResource (not a library), CorruptExports (a
    // function missing), PluginInternal (the module refused its name, about text or
    // extensions). Reported; a failure leaves nothing loaded.
    int load(const std::string& path);
    void release();
    bool loaded() const { return loaded_; }

    // Whether the module's extension list, upper-cased, holds the file's
    // upper-cased extension (a plain substring test; false without one).
    bool handles(const std::string& path) const;

    // The module's information block and value as a stream information
    // record; zero when the module has no known parser.
    void parse(const void* block, int32_t blockSize, int32_t value, StreamInfo& info) const;

    const std::string& name() const { return name_; }
    const std::string& about() const { return about_; }
    const std::string& extensions() const { return extensions_; }
    int32_t version() const { return version_; }
    InfoParser parser() const { return parser_; }
    // Our three modules resample to 44100 Hz 16-bit whatever the file holds;
    // other modules deliver the rate and size their record states.
    bool deliversPlayerFormat() const { return parser_ != InfoParser::None; }
    const std::string& fileName() const { return fileName_; }

    int getName(char* buffer) override;

    // The bound functions (valid while loaded).
    struct Functions {
        decoder::ESGetNameFn getName;
        decoder::ESGetAboutFn getAbout;
        decoder::ESGetExtsFn getExts;
        decoder::ESGetVersionFn getVersion;
        decoder::ESGetLastErrorFn getLastError;
        decoder::ESInitModuleFn initModule;
        decoder::ESDeInitModuleFn deInitModule;
        decoder::ESSetInputModeFn setInputMode;
        decoder::ESSetInCBFn setInCB;
        decoder::ESSetBuffersFn setBuffers;
        decoder::ESInitStreamFn initStream;
        decoder::ESSetPriorityFn setPriority;
        decoder::ESSetInputNameFn setInputName;
        decoder::ESGetInfo1Fn getInfo1;
        decoder::ESGetInfo2Fn getInfo2;
        decoder::ESOpenFn open;
        decoder::ESCloseFn close;
        decoder::ESPlayFn play;
        decoder::ESStopFn stop;
        decoder::ESPauseFn pause;
        decoder::ESResumeFn resume;
        decoder::ESGetPosFn getPos;
        decoder::ESGetSizeFn getSize;
        decoder::ESSetPosFn setPos;
        decoder::ESGetPlayerModeFn getPlayerMode;
        decoder::ESSetLimitsFn setLimits;
        decoder::ESSetOutputModeFn setOutputMode;
        decoder::ESSetOutCBFn setOutCB;
        decoder::ESSetOutputDevFn setOutputDev;
        decoder::ESSetOutputNameFn setOutputName;
        decoder::ESCanSetVolumeFn canSetVolume;
        decoder::ESSetVolumeFn setVolume;
        decoder::ESGetVolumeFn getVolume;
        decoder::ESSetDevNumFn setDevNum;
        decoder::ESSetWindowFn setWindow;
        decoder::ESCanPauseFn canPause;
        decoder::ESCanSetPosFn canSetPos;
        decoder::ESSetExtrasFn setExtras;
        decoder::ESUseOutCBFn useOutCB;
        decoder::ESHasEQFn hasEQ;
        decoder::ESEQFn eq;
        decoder::ESUseEQFn useEQ;
    };
    static_assert(sizeof(Functions) == decoder::kModuleFunctionCount * sizeof(void*));
    Functions functions{};

private:
    bool bind();
    // One of the module's three texts; false when the module refuses it.
    static bool readText(decoder::ESGetNameFn get, std::string& out);

    plat::DynamicLibrary library_;
    std::string fileName_;
    std::string name_;
    std::string about_;
    std::string extensions_;
    int32_t version_ = 0;
    bool loaded_ = false;
    InfoParser parser_ = InfoParser::None;
};

} // namespace plevnt
