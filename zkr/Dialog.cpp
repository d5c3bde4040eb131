#include "zkr/Dialog.h"

#include "platform/ui/Dialog.h"
#include "zkr/ClassKinds.h"

namespace zkr {

using namespace plat::ui;

Dialog::Dialog(uint16_t id, plat::ModuleHandle fromModule, WindowHandle owner)
{
    kind = kKindDialog;
    isDialog = true;
    modeless = false;
    templateId = id;
    if (fromModule != nullptr)
        module = fromModule;
    parent = owner;
}

Dialog::Dialog(const DialogTemplate& data, WindowHandle owner) : dialogTemplate(&data)
{
    kind = kKindDialog;
    isDialog = true;
    modeless = false;
    templateId = static_cast<uint16_t>(data.id);
    parent = owner;
}

int Dialog::runModal()
{
    modeless = false;
    auto parameter = reinterpret_cast<intptr_t>(this);
    intptr_t result =
        dialogTemplate != nullptr
            ? dialogBoxIndirectParam(module, *dialogTemplate, parent, windowProcedure, parameter)
            : dialogBoxParam(module, templateId, parent, windowProcedure, parameter);
    return static_cast<int>(result);
}

bool Dialog::createModeless()
{
    modeless = true;
    auto parameter = reinterpret_cast<intptr_t>(this);
    WindowHandle made =
        dialogTemplate != nullptr
            ? createDialogIndirectParam(module, *dialogTemplate, parent, windowProcedure, parameter)
            : createDialogParam(module, templateId, parent, windowProcedure, parameter);
    return made != nullptr;
}

} // namespace zkr
