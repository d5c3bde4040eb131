// PLACEHOLDER: replaced by the window part.
#include "plugins/tindle/TindleWindow.h"
namespace tindle {
TindleWindow::TindleWindow(TindlePlugin& plugin) : preRecorder(plugin), plugin_(plugin) {}
TindleWindow::~TindleWindow() { endWindow(); }
bool TindleWindow::open(int) { return false; }
void TindleWindow::closeByEngine() {}
void TindleWindow::showByEngine(bool) {}
void TindleWindow::refreshStrip(int) {}
void TindleWindow::advanceCursor(int, bool) {}
int TindleWindow::buildPicture(zkr::MultimediaFile&, const std::string&, WaveformImage&) { return 0; }
void TindleWindow::showPicture(int, const WaveformImage&, uint32_t) {}
} // namespace tindle
