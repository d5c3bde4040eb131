// PLACEHOLDER: replaced by the window.
#include "plugins/brolet/BroletWindow.h"
namespace brolet {
BroletWindow::BroletWindow(BroletOutput& output) : output_(output) {}
BroletWindow::~BroletWindow() { endWindow(); }
void BroletWindow::lockSwitches(bool) {}
bool BroletWindow::open(int) { return false; }
void BroletWindow::closeByEngine() {}
void BroletWindow::showByEngine(bool) {}
} // namespace brolet
