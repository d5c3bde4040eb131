// PLACEHOLDER: replaced by the pre-recorder part.
#include "plugins/tindle/PreRecorder.h"
namespace tindle {
PreRecorder::PreRecorder(TindlePlugin& plugin) : plugin_(plugin) {}
PreRecorder::~PreRecorder() { endWindow(); }
bool PreRecorder::open(plat::ui::WindowHandle) { return false; }
void PreRecorder::toggle() {}
void PreRecorder::closeForGood() {}
} // namespace tindle
