// PLACEHOLDER: replaced by the channels part.
#include "plugins/tindle/ChannelSet.h"
namespace tindle {
ChannelRecord::ChannelRecord(int) : lock(false, "") {}
ChannelSet::ChannelSet(TindlePlugin& plugin) : plugin_(plugin) {}
ChannelSet::~ChannelSet() = default;
bool ChannelSet::readBlock(int, const int16_t**, int32_t*) { return false; }
void ChannelSet::streamingError() {}
int ChannelSet::open(int, const std::string&) { return 0; }
void ChannelSet::close(int) {}
int ChannelSet::playStop(int) { return 0; }
void ChannelSet::pause(int) {}
void ChannelSet::setLoop(int, bool) {}
void ChannelSet::setSynchronised(int, bool) {}
int ChannelSet::loadRecording(const std::string&, int) { return 0; }
void ChannelSet::closeAll() {}
} // namespace tindle
