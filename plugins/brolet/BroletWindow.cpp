// PLACEHOLDER: replaced by the window.
#include "plugins/brolet/BroletWindow.h"
namespace brolet {
BroletWindow::BroletWindow(BroletOutput& output) : output_(output) {}
BroletWindow::~BroletWindow() { endWindow(); }
void BroletWindow::lockSwitches(bool) {}
} // namespace brolet
